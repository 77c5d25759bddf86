// Fuzz target: every registered command on generated meshes (degenerate, one- and two-vertex
// polygons, empty and transformed layers, huge coordinates) with random selections, user values
// and arguments taken from each command's own attribute table, extremes included. Each command runs
// as a checked step: invariants after it, a failure changes nothing, and a success rolled back
// gives the scene back bit for bit.
#include "fuzz/fuzz_support.hpp"

using namespace gorva::host;

namespace {

/// A command line of a random command with random arguments from its attribute table.
std::string CommandLine(FuzzedDataProvider &in, Host &host) {
    static std::vector<std::string> names;
    static std::vector<std::vector<gorva::fuzz::AttributeInfo>> tables;
    if (names.empty()) {
        names = gorva::fuzz::CommandNames(host);
        for (const auto &name : names) tables.push_back(gorva::fuzz::Attributes(host, name));
    }
    if (names.empty()) return "scene.new";
    size_t which = in.ConsumeIntegralInRange<size_t>(0, names.size() - 1);
    std::string line = names[which];
    for (const auto &attr : tables[which])
        if (in.ConsumeBool()) line += " " + attr.name + ":\"" + gorva::fuzz::AttributeValue(in, attr) + "\"";
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    auto host = gorva::fuzz::NewHost();
    gorva::fuzz::GenerateScene(in, *host);
    gorva::fuzz::GenerateSettings(in, *host);
    gorva::fuzz::CheckInvariants(*host, "the generated scene");
    int steps = in.ConsumeIntegralInRange<int>(1, 4);
    for (int s = 0; s < steps && in.remaining_bytes(); ++s) {
        if (in.ConsumeBool()) gorva::fuzz::GenerateSettings(in, *host);
        std::string line = CommandLine(in, *host);
        gorva::fuzz::CheckedStep(*host, line, in.ConsumeBool());
    }
    return 0;
}
