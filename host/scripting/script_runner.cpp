#include "host/scripting/script_runner.hpp"

#include <lxcommand.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/base/text_lines.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

namespace fs = std::filesystem;

bool ExpandVariables(const std::string &line, const std::map<std::string, std::string> &variables,
                     std::string &out, std::string &error, size_t maxBytes) {
    out.clear();
    auto tooLong = [&] {
        error = "line longer than " + std::to_string(maxBytes) + " bytes with its variables expanded";
        out.clear();
        return false;
    };
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '$' || i + 1 >= line.size() || line[i + 1] != '{') {
            if (out.size() >= maxBytes) return tooLong();
            out += line[i];
            continue;
        }
        size_t close = line.find('}', i + 2);
        if (close == std::string::npos) {
            error = "unclosed \"${\"";
            return false;
        }
        std::string name = line.substr(i + 2, close - i - 2);
        auto it = variables.find(name);
        const char *env = it == variables.end() && !name.empty() ? std::getenv(name.c_str()) : nullptr;
        if (it == variables.end() && !env) {
            error = "unknown variable ${" + name + "}";
            return false;
        }
        size_t length = it != variables.end() ? it->second.size() : std::strlen(env);
        if (length > maxBytes - out.size()) return tooLong();
        out += it != variables.end() ? it->second : std::string(env);
        i = close;
    }
    return true;
}

namespace {

/// FailureText before it is made safe for a terminal.
std::string RawFailureText(const std::string &label, size_t line, const std::string &command,
                           const CommandResult &r) {
    std::string where = label + ":" + std::to_string(line) + ": ";
    if (r.code == LXe_NOTFOUND && r.message.rfind("unknown command", 0) == 0) return where + r.message;
    if (r.code == LXe_CMD_DISABLED || !r.server.empty()) {
        const std::string &who = r.server.empty() ? command : r.server;
        return where + who + " is disabled" + (r.message == who + " is disabled" ? "" : ": " + r.message);
    }
    if (r.code == LXe_ABORT)
        return where + command + " was aborted" + (r.message.empty() ? "" : ": " + r.message);
    return where + command + ": " + (r.message.empty() ? "failed" : r.message);
}

}  // namespace

std::string FailureText(const std::string &label, size_t line, const std::string &command,
                        const CommandResult &r) {
    return Printable(RawFailureText(label, line, command, r));
}

namespace {

std::string TrimLine(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

/// Warnings a scene file's reading or writing logged from `first` on: what it could not hold or
/// skipped.
void PrintFileWarnings(const Host &host, size_t first, const std::string &where, std::ostream &err) {
    for (size_t i = first; i < host.log.size(); ++i)
        if (host.log[i].level == 1) err << Printable(where + ": warning: " + host.log[i].text) << '\n';
}

}  // namespace

bool RunScript(Host &host, std::istream &in, const std::string &label, const ScriptOptions &opts,
               std::ostream &err, ScriptStats &stats) {
    bool ok = true;
    std::string raw;
    LineReader lines(in, opts.limits);
    LineReader::Status status;
    while ((status = lines.Next(raw)) == LineReader::kLine) {
        size_t lineNo = lines.LineNumber();
        std::string text = TrimLine(raw);
        if (text.empty() || text[0] == '#') continue;
        std::string line, error, name;
        std::vector<CommandArg> args;
        CommandResult result;
        auto start = std::chrono::steady_clock::now();
        if (!ExpandVariables(text, opts.variables, line, error, opts.limits.maxLineBytes) ||
            !ParseCommandLine(line, name, args, error)) {
            result = {LXe_INVALIDARG, error};
        } else if (name.empty()) {
            continue;
        } else {
            ++stats.commands;
            size_t monitorsBefore = host.monitors.size(), logBefore = host.log.size();
            result = host.Run(name, args);
            // A scene opened is a new scene, whose log starts empty.
            if (name == "scene.open" || name == "scene.saveAs")
                PrintFileWarnings(host, name == "scene.open" && result.ok() ? 0 : logBefore,
                                  label + ":" + std::to_string(lineNo), err);
            // An abort the user asked for is not a failure, but the script's reader should know.
            for (size_t m = monitorsBefore; m < host.monitors.size(); ++m)
                if (host.monitors[m].aborted)
                    err << Printable(label + ":" + std::to_string(lineNo) + ": note: \"" +
                                     host.monitors[m].title + "\" aborted at step " +
                                     std::to_string(host.monitors[m].steps))
                        << '\n';
        }
        if (opts.timing) {
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            char buf[64];
            std::snprintf(buf, sizeof buf, "timing %zu %.6f ", lineNo, seconds);
            err << buf << Printable(text) << '\n';
        }
        if (result.ok()) continue;
        ++stats.failures;
        ok = false;
        err << FailureText(label, lineNo, name.empty() ? text : name, result) << '\n';
        if (!opts.keepGoing) return false;
    }
    if (status != LineReader::kEnd) {
        err << Printable(lines.Problem(status, label, "a script")) << '\n';
        ++stats.failures;
        return false;
    }
    return ok;
}

bool RunScriptFile(Host &host, const std::string &path, const ScriptOptions &opts, std::ostream &err,
                   ScriptStats &stats) {
    ScriptOptions local = opts;
    if (path == "-") {
        local.variables.emplace("SCRIPT_DIR", fs::current_path().string());
        return RunScript(host, std::cin, "<stdin>", local, err, stats);
    }
    InputFile file;
    std::string reason;
    if (!file.Open(path, reason)) {
        err << Printable(path) << ": cannot open: " << reason << '\n';
        ++stats.failures;
        return false;
    }
    std::istream in(&file);
    std::error_code ec;
    fs::path dir = fs::absolute(fs::path(path), ec).parent_path();
    local.variables.emplace("SCRIPT_DIR", dir.string());
    return RunScript(host, in, path, local, err, stats);
}

std::string FormatProgressBar(const MonitorRecord &rec, int width) {
    width = std::max(width, 1);
    double fraction = rec.total ? std::min(1.0, double(rec.steps) / rec.total) : 0.0;
    int filled = int(fraction * width + 0.5);
    char pct[16];
    std::snprintf(pct, sizeof pct, "%3d%%", int(fraction * 100.0 + 0.5));
    return "[" + std::string(size_t(filled), '#') + std::string(size_t(width - filled), '.') + "] " + pct +
           "  " + rec.title + (rec.aborted ? "  (aborted)" : "");
}

ProgressPrinter::ProgressPrinter(std::ostream &out, bool enabled, double delaySeconds)
    : m_out(out), m_enabled(enabled), m_delay(delaySeconds) {}

void ProgressPrinter::Step(const Host &host, const MonitorRecord &rec) {
    if (!m_enabled) return;
    size_t index = size_t(&rec - host.monitors.data());
    auto now = Clock::now();
    if (index != m_index) {
        Finish();
        m_index = index;
        m_started = now;
    }
    bool done = rec.aborted || (rec.total && rec.steps >= rec.total);
    if (std::chrono::duration<double>(now - m_started).count() < m_delay) return;
    if (m_shown && !done && std::chrono::duration<double>(now - m_drawn).count() < 0.1) return;
    m_out << '\r' << FormatProgressBar(rec, 30) << std::flush;
    m_shown = true;
    m_drawn = now;
    if (done) Finish();
}

void ProgressPrinter::Finish() {
    if (m_shown) m_out << '\n' << std::flush;
    m_shown = false;
}

std::string FormatDialog(const DialogRecord &rec) {
    std::string text = rec.text.empty() ? rec.table + ": " + rec.key : rec.text;
    return "Dialog " + (rec.title.empty() ? std::string("(untitled)") : rec.title) + ": " + text;
}

std::string FormatLogLine(const LogLine &line) {
    const std::string server = line.server.empty() ? std::string("host") : line.server;
    std::string text = line.text;
    // The module often names itself at the start of a line already.
    if (text.compare(0, server.size() + 2, server + ": ") == 0) text.erase(0, server.size() + 2);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    const bool notEnabled = text.compare(0, 13, "not enabled: ") == 0;
    return server + (notEnabled || line.level > kShownLogLevel ? ": " : ": error: ") + text;
}

// ---- demo

std::vector<DemoScript> ListDemoScripts(const std::string &dir) {
    std::vector<DemoScript> scripts;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() != ".gorva") continue;
        DemoScript s;
        s.path = entry.path().string();
        s.name = entry.path().stem().string();
        std::ifstream in(s.path);
        for (std::string line; std::getline(in, line);) {
            std::string t = TrimLine(line);
            const std::string tag = "# needs:";
            if (t.rfind(tag, 0) != 0) continue;
            std::istringstream words(t.substr(tag.size()));
            for (std::string w; words >> w;) s.needs.push_back(w);
        }
        scripts.push_back(std::move(s));
    }
    std::sort(scripts.begin(), scripts.end(),
              [](const DemoScript &a, const DemoScript &b) { return a.name < b.name; });
    return scripts;
}

std::string MakeFreshFolder(const std::string &parent, std::string &error) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "gorva-demo-%Y%m%d-%H%M%S", &local);
    for (int n = 1; n < 1000; ++n) {
        fs::path p =
            fs::path(parent) / (n == 1 ? std::string(stamp) : std::string(stamp) + "-" + std::to_string(n));
        if (::mkdir(p.c_str(), 0777) == 0) return p.string();
        if (errno != EEXIST) {
            error = "cannot make " + p.string() + ": " + std::strerror(errno);
            return std::string();
        }
    }
    error = "no free folder name under " + parent;
    return std::string();
}

bool RunDemo(Host &host, const std::string &examplesDir, const std::string &outDir, const ScriptOptions &opts,
             std::ostream &out, std::ostream &err) {
    auto scripts = ListDemoScripts((fs::path(examplesDir) / "scripts").string());
    if (scripts.empty()) {
        err << "no demo scripts in " << (fs::path(examplesDir) / "scripts").string() << '\n';
        return false;
    }
    ScriptOptions local = opts;
    local.variables["EXAMPLES"] = fs::absolute(examplesDir).string();
    local.variables["OUT"] = fs::absolute(outDir).string();
    bool ok = true;
    unsigned passed = 0, failed = 0, skipped = 0;
    for (const auto &s : scripts) {
        std::vector<std::string> missing;
        for (const auto &need : s.needs)
            if (!host.HasCommand(need) && !host.HasTool(need)) missing.push_back(need);
        if (!missing.empty()) {
            out << "skipped " << s.name << " (not registered:";
            for (const auto &m : missing) out << ' ' << m;
            out << ")\n";
            ++skipped;
            continue;
        }
        // Each script starts from an empty scene and the host's usual switches.
        host.NewScene();
        host.abortAtStep = -1;
        host.version = 801;
        host.Tools().ResetViewport();
        host.Tools().ForgetInstances();
        ScriptStats stats;
        bool ran = RunScriptFile(host, s.path, local, err, stats);
        out << (ran ? "ran     " : "FAILED  ") << s.name << " (" << stats.commands << " commands)\n";
        ok = ok && ran;
        ++(ran ? passed : failed);
    }
    out << "demo: " << passed << " of " << scripts.size() << " scripts passed, " << failed << " failed, "
        << skipped << " skipped; results in " << outDir << '\n';
    return ok;
}

}  // namespace gorva::host
