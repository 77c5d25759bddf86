#pragma once
#ifdef GORVA_MODULE_BUILD
#error "module code must not include host headers"
#endif

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace gorva::host {

/// Definition of one host user value; min/max are absent when unbounded, numbers in metres/radians.
struct UserValueDef {
    std::string name;
    std::string type;  // "integer", "float", "distance", "angle", "boolean" or "string"
    std::string userName;
    std::string defaultValue;
    std::optional<double> min, max;
    std::vector<std::string>
        choiceLabels;  // labels of the values 0, 1, ... of an integer choice; may be empty
};

/// One popup item: the internal name the server uses and the label shown to the user.
struct PopupEntry {
    std::string internalName;
    std::string label;
};

/// Texts shown for one command argument.
struct ArgumentHelp {
    std::string userName;
    std::string description;
};

/// Texts shown for a command: user name, button name, description and its arguments by argument name.
struct CommandHelp {
    std::string userName;
    std::string buttonName;
    std::string description;
    std::map<std::string, ArgumentHelp> arguments;
};

/// Everything the host reads from its configuration files (English texts only).
struct HostConfig {
    std::map<std::string, std::map<std::string, std::string>> messages;  // table -> key -> text
    std::map<std::string, UserValueDef> userValues;                      // by user value name
    std::map<std::string, std::vector<PopupEntry>> popups;               // popup type without "=" -> entries
    std::map<std::string, std::string> helpPages;                        // server name -> URL
    std::map<std::string, CommandHelp> commands;                         // command name -> texts
    std::map<std::string, CommandHelp> tools;  // tool server name -> texts, its attributes as arguments
};

bool operator==(const UserValueDef &a, const UserValueDef &b);
bool operator==(const PopupEntry &a, const PopupEntry &b);
bool operator==(const ArgumentHelp &a, const ArgumentHelp &b);
bool operator==(const CommandHelp &a, const CommandHelp &b);
bool operator==(const HostConfig &a, const HostConfig &b);

/// Merges one configuration file into cfg (later definitions replace earlier ones); on error returns false,
/// sets error to "file:line: reason" and leaves cfg unchanged. Never throws.
bool LoadConfigFile(const std::string &path, HostConfig &cfg, std::string &error);

/// Loads every *.cfg file of a folder in name order; on the first error returns false and leaves cfg
/// unchanged. A missing folder is an error; a folder without .cfg files loads nothing and succeeds.
bool LoadConfigDir(const std::string &dir, HostConfig &cfg, std::string &error);

/// Expands %1..%9 with args[0..8]; a missing argument expands to empty text, "%%" gives "%", any other "%"
/// stays as it is.
std::string FormatMessage(const std::string &text, const std::vector<std::string> &args);

/// Looks up a message text; returns nullptr when the table or key is unknown.
const std::string *FindMessage(const HostConfig &cfg, const std::string &table, const std::string &key);

}  // namespace gorva::host
