// gorva: the headless host. Loads the plug-in, runs scripts of command lines, writes scenes,
// dumps and pictures. All the work lives in the host library; this file reads the command line.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/model/config.hpp"
#include "host/model/kit.hpp"
#include "host/io/scene_files.hpp"
#include "host/scripting/scene_dump.hpp"
#include "host/base/text_lines.hpp"
#include "host/scripting/script_runner.hpp"
#include "app/serve/serve_http.hpp"

namespace {

using namespace gorva::host;

const char kHelp[] = R"(gorva - run the gORVA toolkit without the application

usage:
  gorva run [options] FILE...   run scripts of command lines ("-" reads standard input)
  gorva demo [--out DIR]        run the bundled demo; without --out it writes into a new
                                folder gorva-demo-YYYYMMDD-HHMMSS here and names it
  gorva serve [--scene FILE] [--port N]
                                a viewport in the browser: serves a page on 127.0.0.1 and
                                prints its address (with a token that every request needs);
                                files are opened and saved in the current folder only
  gorva servers                 list the servers the plug-in registered
  gorva --kit DIR [--out DIR]   run the bundled demo with the module and configuration of the
                                kit installed in DIR (the folder that holds its index.cfg)
  gorva commands                list the host's own commands
  gorva --help                  this text

run options:
  --scene FILE        open a scene (.obj, .gltf or .glb) before the first script
  --dump FILE.json    write the scene state as JSON when the scripts end
  --timing            print "timing LINE SECONDS COMMAND" for each line to standard error
  --keep-going        go on after a failing line (the exit status is still 1)
  --set NAME=VALUE    value of ${NAME} in script lines (${SCRIPT_DIR} is the script's folder;
                      other names come from the environment)
  --plugin PATH       the plug-in to load (also the GORVA_PLUGIN environment variable)
  --kit DIR           load the module and configuration files of the kit in DIR (any command)

scripts: one command a line: the name, positional arguments, name:value arguments, double
quotes for text with spaces, # starts a comment. ITEM is an item's name, or @IDENT for an
item by its identifier. Host commands:
  scene.new | scene.open PATH | scene.saveAs PATH | scene.dump PATH
                                   (scenes: .obj, or glTF 2.0 as .gltf or .glb by the
                                   extension; glTF is written Y-up, turned from units.upAxis)
  item.create TYPE NAME            types: locator mesh groupLocator pointLight areaLight sunLight
                                   spotLight photometryLight portal
  item.transform ITEM pos|rot|scl X Y Z     (metres; rotation in degrees)
  item.parent ITEM PARENT          ("" puts the item at the root)
  item.refSystem ITEM              ("" clears)
  layer.active ITEM on|off | layer.primary ITEM
  select.item ITEM set|add|remove | select.typeFrom vertex|edge|polygon|ptag|item
  select.element LAYER vertex|edge|polygon set|add|remove INDEX [INDEX2]
                                   (LAYER: index in the active layers; an edge by its two
                                   vertex indices) | select.drop TYPE | select.polygonConnect
  user.value NAME VALUE | pref.value NAME VALUE
  host.abortAt N (the next progress monitor aborts at step N) | host.version N
  render PATH.png|PATH.svg [view:persp|top|front|side] [width:N] [height:N] [fit:F]
                           [eye:X,Y,Z] [target:X,Y,Z]
                           (an active tool's handles, strokes and labels are drawn on top)
  tool.set NAME on|off | tool.attr NAME ATTR VALUE | tool.doApply | tool.drop | tool.reset NAME
  tool.press X Y Z | tool.press part:N | tool.drag X Y Z | tool.release   (the mouse, in metres)
                           press options: button:0|1|2 mode:KEYS (shift, alt, ctrl joined by |)
                           hitMesh:ITEM hitPolygon:N (that polygon, hit where the view ray
                           through X Y Z meets its plane; else the polygon under the mouse)
                           where parts overlap, the one drawn last (handles over strokes)
                           within a pixel is pressed, else the nearest within 8 pixels
  tool.view 3d|uv|2d [PIXELS_PER_METRE] [EYE_X EYE_Y EYE_Z] | tool.workPlane X Y Z [RX RY RZ]|reset
  tool.actionCenter X Y Z | tool.axis x|y|z
and every command of the plug-in by its server name, e.g. gORVA.Cmd.SelectbyHeight match_mode:1

scene files are OBJ: each 'o' object becomes an active mesh item (the first is primary),
'usemtl' the material tag, 'g' the part tag, 'vt' the "Texture" UV map; saving writes points
in world space, through a temporary file renamed over the old one (its permissions, owner,
group and links kept; a file the user may not write is refused). Scenes and scripts are read
from regular files only; 'g' names are kept as written and a face names each vertex once.
Coordinates beyond single precision, numbers that are not decimal, lines over 64 MiB (scripts:
1 MiB, variables expanded) and files over 2 GiB (scripts: 64 MiB) are refused. ITEM is a name,
or @IDENT for an identifier. A failing line prints FILE:LINE: reason and the exit status is 1.
The plug-in's errors are printed on stderr as SERVER: error: TEXT, a tool that is not enabled as
SERVER: not enabled: REASON (a command as FILE:LINE: SERVER is disabled: REASON); all are kept in
the dump's "log".
The default picture is a perspective three-quarter view from the front right, fitted to the scene.
)";

int Usage(const std::string &why) {
    std::cerr << "gorva: " << Printable(why) << "\nrun \"gorva --help\" for usage\n";
    return 1;
}

std::string PluginPath(const std::string &option) {
    if (!option.empty()) return option;
    if (const char *env = std::getenv("GORVA_PLUGIN"); env && *env) return env;
    return GORVA_PLUGIN_PATH;
}

struct Options {
    std::string command, scene, dump, plugin, out, kit, port;
    bool outGiven = false;
    ScriptOptions script;
    std::vector<std::string> files;
};

bool ParseOptions(int argc, char **argv, Options &o, std::string &error) {
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &into) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (a == "--scene" || a == "--dump" || a == "--plugin" || a == "--out" || a == "--kit" ||
            a == "--port") {
            if (!value(a == "--scene"    ? o.scene
                       : a == "--dump"   ? o.dump
                       : a == "--plugin" ? o.plugin
                       : a == "--kit"    ? o.kit
                       : a == "--port"   ? o.port
                                         : o.out))
                return false;
            o.outGiven = o.outGiven || a == "--out";
        } else if (a == "--timing") {
            o.script.timing = true;
        } else if (a == "--keep-going") {
            o.script.keepGoing = true;
        } else if (a == "--set") {
            std::string kv;
            if (!value(kv)) return false;
            size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "--set needs NAME=VALUE";
                return false;
            }
            o.script.variables[kv.substr(0, eq)] = kv.substr(eq + 1);
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else {
            o.files.push_back(a);
        }
    }
    return true;
}

/// Loads the plug-in and routes monitors, dialogs and the module's errors to the terminal.
bool PrepareHost(Host &host, const Options &o, ProgressPrinter &progress) {
    std::string error;
    if (!host.LoadPlugin(PluginPath(o.plugin), error)) {
        std::cerr << "gorva: " << Printable(error) << '\n';
        return false;
    }
    host.onMonitorStep = [&host, &progress](const MonitorRecord &rec) { progress.Step(host, rec); };
    host.onDialog = [&progress](const DialogRecord &rec) {
        progress.Finish();
        std::cout << Printable(FormatDialog(rec)) << std::endl;
    };
    // The module's errors and refusals show on the terminal, as the application's event log would.
    host.onLog = [&progress](const LogLine &line) {
        if (line.level > kShownLogLevel) return;
        progress.Finish();
        std::cerr << Printable(FormatLogLine(line)) << std::endl;
    };
    return true;
}

int Run(Host &host, const Options &o) {
    if (o.files.empty()) return Usage("run needs at least one script (\"-\" for standard input)");
    std::string error;
    if (!o.scene.empty() && !OpenSceneFile(host, o.scene, error)) {
        std::cerr << "gorva: " << Printable(error) << '\n';
        return 1;
    }
    for (const auto &line : host.log)
        if (line.level == 1) std::cerr << "gorva: warning: " << Printable(line.text) << '\n';
    bool ok = true;
    for (const auto &file : o.files) {
        ScriptStats stats;
        ok = RunScriptFile(host, file, o.script, std::cerr, stats) && ok;
        if (!ok && !o.script.keepGoing) break;
    }
    if (!o.dump.empty() && !WriteSceneDump(host, o.dump, error)) {
        std::cerr << "gorva: " << Printable(error) << '\n';
        ok = false;
    }
    return ok ? 0 : 1;
}

int Serve(Host &host, const Options &o) {
    if (!o.files.empty()) return Usage("serve takes no files");
    ServeOptions serve{o.scene, 0, std::filesystem::current_path().string(), GORVA_WEB_DIR};
    if (const char *env = std::getenv("GORVA_WEB_DIR"); env && *env) serve.webDir = env;
    if (!o.port.empty()) {
        char *end = nullptr;
        long port = std::strtol(o.port.c_str(), &end, 10);
        if (*end != '\0' || port < 1 || port > 65535) return Usage("--port takes a number from 1 to 65535");
        serve.port = int(port);
    }
    return RunServe(host, serve, std::cout, std::cerr);
}

int Demo(Host &host, const Options &o) {
    if (!o.files.empty()) return Usage("demo takes no files");
    std::string error, out = o.out;
    if (!o.outGiven) {
        out = MakeFreshFolder(".", error);
        if (out.empty()) return Usage(error);
    } else {
        std::error_code ec;
        std::filesystem::create_directories(out, ec);
        if (!std::filesystem::is_directory(out)) return Usage("cannot make the folder " + out);
    }
    std::cout << "demo output: " << out << std::endl;
    const char *env = std::getenv("GORVA_EXAMPLES");
    std::string examples = env && *env ? env : GORVA_EXAMPLES_DIR;
    return RunDemo(host, examples, out, o.script, std::cout, std::cerr) ? 0 : 1;
}

/// The program, without its last line of defence against running out of memory.
int Main(int argc, char **argv) {
    if (argc < 2) return Usage("no command given");
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return 0;
    }
    // "gorva --kit DIR ..." is "gorva demo --kit DIR ...": the demo run from an installed kit.
    std::vector<char *> words(argv, argv + argc);
    if (command == "--kit") {
        command = "demo";
        words.insert(words.begin() + 1, nullptr);
    }
    if (command != "run" && command != "demo" && command != "servers" && command != "commands" &&
        command != "serve")
        return Usage("unknown command \"" + command + "\"");
    Options o;
    std::string error;
    if (!ParseOptions(int(words.size()), words.data(), o, error)) return Usage(error);
    KitInfo kit;
    if (!o.kit.empty()) {
        if (!o.plugin.empty()) return Usage("--kit and --plugin both name the module: give one");
        if (!ReadKit(o.kit, kit, error)) {
            std::cerr << "gorva: " << Printable(error) << '\n';
            return 1;
        }
        // A kit whose texts cannot be read is refused rather than run without them.
        HostConfig texts;
        if (!LoadConfigDir(kit.configDir, texts, error)) {
            std::cerr << "gorva: " << Printable(error) << '\n';
            return 1;
        }
        o.plugin = kit.modulePath;
    }
    Host host(kit.configDir);
    ProgressPrinter progress(std::cerr, isatty(STDERR_FILENO) != 0);
    if (!PrepareHost(host, o, progress)) return 1;
    if (command == "servers") {
        for (const auto &s : host.Servers())
            std::cout << Printable(s.name) << '\t'
                      << (s.IsCommand() ? "command"
                          : s.IsTool()  ? "tool"
                                        : "server")
                      << '\n';
        return 0;
    }
    if (command == "commands") {
        for (const auto &name : host.HostCommandNames()) std::cout << name << '\n';
        return 0;
    }
    int status = command == "run" ? Run(host, o) : command == "serve" ? Serve(host, o) : Demo(host, o);
    progress.Finish();
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    // A write past the file size limit fails with its reason instead of ending the program.
    ::signal(SIGXFSZ, SIG_IGN);
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc &) {
        // Every file is written whole or not at all, so what was saved before this point is intact.
        std::cerr << "gorva: out of memory: the input needs more memory than the system gives; stopped "
                     "(files saved before this point are complete)\n";
        return 1;
    }
}
