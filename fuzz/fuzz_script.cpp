// Fuzz target: the script parser and runner. The input is a script; each line runs as a checked step
// (invariants after it, a failure changes nothing, and every other successful line is rolled back
// once to check that the scene comes back bit for bit), then the whole text runs through the
// script runner on a fresh host.
#include <sstream>

#include "fuzz/fuzz_support.hpp"
#include "host/base/text_lines.hpp"
#include "host/scripting/script_runner.hpp"

using namespace gorva::host;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    ScriptOptions opts;
    opts.limits = TextLimits{4096, 1 << 16};
    // The demo's variables; every path lands in the scratch folder, where the example scenes are.
    for (const char *name : {"EXAMPLES", "OUT", "SCRIPT_DIR"}) opts.variables[name] = ".";
    {
        auto host = gorva::fuzz::NewHost();
        std::istringstream in(text);
        LineReader lines(in, opts.limits);
        std::string line;
        unsigned steps = 0;
        while (lines.Next(line) == LineReader::kLine && steps < 64) {
            std::string expanded, error;
            if (!ExpandVariables(line, opts.variables, expanded, error)) continue;
            gorva::fuzz::CheckedStep(*host, expanded, ++steps % 2 == 0);
        }
    }
    auto host = gorva::fuzz::NewHost();
    std::istringstream in(text);
    std::ostringstream err;
    ScriptStats stats;
    opts.keepGoing = true;
    RunScript(*host, in, "fuzz.gorva", opts, err, stats);
    gorva::fuzz::CheckInvariants(*host, "RunScript");
    if (err.str().find('\x1b') != std::string::npos)
        gorva::fuzz::Finding("RunScript", "an escape byte reached the terminal");
    return 0;
}
