// Running scripts of command lines against a host: variables, errors with file and line, timing,
// progress bars for monitors, printed dialogs, and the bundled demo.
#pragma once
#include "host/guard.hpp"

#include <chrono>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/base/text_lines.hpp"

namespace gorva::host {

struct ScriptOptions {
    bool keepGoing = false;  // run the remaining lines after a failure
    bool timing = false;     // "timing LINE SECONDS COMMAND" per command line on the error stream
    /// Values of ${NAME} in lines; names not found here come from the environment.
    std::map<std::string, std::string> variables;
    TextLimits limits = kScriptLimits;  // the longest line and the largest script
};

struct ScriptStats {
    unsigned commands = 0;
    unsigned failures = 0;
};

/// Replaces every ${NAME}; false with a reason naming an unknown variable, an unclosed "${", or a
/// line that would grow past `maxBytes` (the script's line limit holds for the expanded line too).
bool ExpandVariables(const std::string &line, const std::map<std::string, std::string> &variables,
                     std::string &out, std::string &error, size_t maxBytes = kScriptLimits.maxLineBytes);

/// The error text of a failed command line: "LABEL:LINE: reason" where the reason names the
/// command and carries its message (a disabled command's message text as the host shows it),
/// made safe for a terminal (Printable).
std::string FailureText(const std::string &label, size_t line, const std::string &command,
                        const CommandResult &r);

/// Runs every line of `in` (one command a line, # comments, blank lines skipped; lines end with
/// "\n", "\r\n" or "\r"). Failures go to `err`, made safe for a terminal; stops at the first one
/// unless keepGoing, and at a line or script beyond `opts.limits` or binary data. False when any
/// line failed.
bool RunScript(Host &host, std::istream &in, const std::string &label, const ScriptOptions &opts,
               std::ostream &err, ScriptStats &stats);

/// RunScript on a file, or on standard input for "-"; an unreadable file is a failure.
bool RunScriptFile(Host &host, const std::string &path, const ScriptOptions &opts, std::ostream &err,
                   ScriptStats &stats);

/// A one-line bar "[#####.....]  50%  TITLE" of `width` cells for a monitor.
std::string FormatProgressBar(const MonitorRecord &rec, int width);

/// Draws monitors as a bar on a terminal stream, only for monitors still running after `delay`
/// seconds, redrawn at most ten times a second; Finish ends the line.
class ProgressPrinter {
public:
    ProgressPrinter(std::ostream &out, bool enabled, double delaySeconds = 0.4);
    void Step(const Host &host, const MonitorRecord &rec);
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    std::ostream &m_out;
    bool m_enabled;
    double m_delay;
    size_t m_index = size_t(-1);
    Clock::time_point m_started, m_drawn;
    bool m_shown = false;
};

/// "Dialog TITLE: TEXT" as printed for a message dialog.
std::string FormatDialog(const DialogRecord &rec);
/// Log lines at this level (LXi_DBLOG_ERROR) or below are the module's errors, shown to the user.
inline constexpr unsigned kShownLogLevel = 1;
/// One log line as shown on the terminal: "SERVER: error: TEXT" ("SERVER: not enabled: REASON"; the
/// server's own name at the start of TEXT is not repeated).
std::string FormatLogLine(const LogLine &line);

// ---- demo

/// A demo script and the commands it needs (its "# needs:" lines).
struct DemoScript {
    std::string path;
    std::string name;  // file name without extension
    std::vector<std::string> needs;
};

/// The *.gorva scripts of `dir`, sorted by name.
std::vector<DemoScript> ListDemoScripts(const std::string &dir);

/// A new folder "gorva-demo-YYYYMMDD-HHMMSS" (with "-2", "-3" ... when taken) under `parent`;
/// empty with a reason when it cannot be made.
std::string MakeFreshFolder(const std::string &parent, std::string &error);

/// Runs each demo script of `examplesDir`/scripts whose needed commands and tools are registered, in
/// a new scene with the default tool viewport, with ${EXAMPLES} and ${OUT} set; reports each script
/// and a summary of how many passed, failed and were skipped to `out`, failures to `err`. False when
/// a script failed.
bool RunDemo(Host &host, const std::string &examplesDir, const std::string &outDir, const ScriptOptions &opts,
             std::ostream &out, std::ostream &err);

}  // namespace gorva::host
