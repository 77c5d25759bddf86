#pragma once
#ifdef GORVA_MODULE_BUILD
#error "module code must not include host headers"
#endif

#include <string>
#include <vector>

namespace gorva::host {

/// The platform folder of a kit's module on this system: "linux64", "win64" or "macos".
const char *KitPlatform();

/// An installed kit as its index.cfg describes it; paths are the kit folder's joined with the
/// relative paths the index names.
struct KitInfo {
    std::string name;
    std::string version;
    std::string folder;
    std::string configDir;   // the folder its <import> names
    std::string modulePath;  // the module for KitPlatform()
};

/// Reads DIR/index.cfg: the kit's name and version, its configuration folder and this platform's
/// module. False with "file:line: reason" when the index is missing or malformed, names a path
/// outside the kit (absolute or through ".."), or a folder or module that is not there.
bool ReadKit(const std::string &folder, KitInfo &kit, std::string &error);

/// One control of a form: the sheet it sits on and the command line it runs, with its texts.
struct FormControl {
    std::string sheet;  // the sheet's label
    std::string command;
    std::string label;
    std::string tooltip;
};

/// The controls of every form (the <atom type="Attributes"> sheets) in the *.cfg files of a folder,
/// in file-name and document order. False with "file:line: reason" on malformed XML or a control
/// whose value is not "cmd COMMAND LINE".
bool ReadForms(const std::string &configDir, std::vector<FormControl> &controls, std::string &error);

}  // namespace gorva::host
