#include "host/model/config.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>
#include <tuple>

namespace gorva::host {

bool operator==(const UserValueDef &a, const UserValueDef &b) {
    return std::tie(a.name, a.type, a.userName, a.defaultValue, a.min, a.max, a.choiceLabels) ==
           std::tie(b.name, b.type, b.userName, b.defaultValue, b.min, b.max, b.choiceLabels);
}

bool operator==(const PopupEntry &a, const PopupEntry &b) {
    return a.internalName == b.internalName && a.label == b.label;
}

bool operator==(const ArgumentHelp &a, const ArgumentHelp &b) {
    return a.userName == b.userName && a.description == b.description;
}

bool operator==(const CommandHelp &a, const CommandHelp &b) {
    return std::tie(a.userName, a.buttonName, a.description, a.arguments) ==
           std::tie(b.userName, b.buttonName, b.description, b.arguments);
}

bool operator==(const HostConfig &a, const HostConfig &b) {
    return std::tie(a.messages, a.userValues, a.popups, a.helpPages, a.commands, a.tools) ==
           std::tie(b.messages, b.userValues, b.popups, b.helpPages, b.commands, b.tools);
}

namespace {

const char *const kEnglish = "en_US";

/// True for a locale suffix such as "en_US" or "de_DE".
bool IsLocale(const std::string &s) {
    return s.size() == 5 && std::islower(static_cast<unsigned char>(s[0])) &&
           std::islower(static_cast<unsigned char>(s[1])) && s[2] == '_' &&
           std::isupper(static_cast<unsigned char>(s[3])) && std::isupper(static_cast<unsigned char>(s[4]));
}

/// Parses a whole string as a finite number, independent of the process locale.
std::optional<double> ParseNumber(const std::string &text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    if (in.fail() || !std::isfinite(value)) return std::nullopt;
    in >> std::ws;
    if (!in.eof()) return std::nullopt;
    return value;
}

bool IsNumericType(const std::string &type) {
    return type == "integer" || type == "float" || type == "distance" || type == "angle" || type == "boolean";
}

bool IsKnownType(const std::string &type) {
    return IsNumericType(type) || type == "string";
}

/// Reads one configuration document into a HostConfig, reporting errors with the file's line numbers.
class ConfigReader {
public:
    ConfigReader(const std::string &path, const std::string &buffer, HostConfig &cfg, std::string &error)
        : path_(path), buffer_(buffer), cfg_(cfg), error_(error) {}

    bool Read(const pugi::xml_document &doc) {
        pugi::xml_node root = doc.document_element();
        if (!root || std::string(root.name()) != "configuration")
            return Fail(root, "the root element must be <configuration>");
        for (pugi::xml_node atom : root.children("atom")) {
            std::string type = atom.attribute("type").value();
            bool ok = true;
            if (type == "Messages")
                ok = ReadChildren(atom, "hash", "Table", &ConfigReader::ReadTable);
            else if (type == "UserValues")
                ok = ReadChildren(atom, "hash", "Definition", &ConfigReader::ReadUserValue);
            else if (type == "Popups")
                ok = ReadChildren(atom, "hash", "Popup", &ConfigReader::ReadPopup);
            else if (type == "CommandHelp")
                ok = ReadHelp(atom);
            else if (type == "HelpPages")
                ok = ReadChildren(atom, "hash", "Page", &ConfigReader::ReadHelpPage);
            // Other atoms belong to other parts of the host's configuration.
            if (!ok) return false;
        }
        return true;
    }

private:
    using ChildReader = bool (ConfigReader::*)(pugi::xml_node node, const std::string &key);

    int LineOf(pugi::xml_node node) const {
        ptrdiff_t offset = node ? node.offset_debug() : -1;
        if (offset < 0 || static_cast<size_t>(offset) > buffer_.size()) return 1;
        return 1 + static_cast<int>(std::count(buffer_.begin(), buffer_.begin() + offset, '\n'));
    }

    bool Fail(pugi::xml_node node, const std::string &reason) {
        error_ = path_ + ":" + std::to_string(LineOf(node)) + ": " + reason;
        return false;
    }

    std::string Describe(pugi::xml_node node) const {
        std::string text = std::string("<") + node.name();
        if (pugi::xml_attribute type = node.attribute("type"))
            text += std::string(" type=\"") + type.value() + "\"";
        return text + ">";
    }

    /// Every element child must be <element type="type" key="..."> and is handed to read with its key.
    bool ReadChildren(pugi::xml_node parent, const char *element, const char *type, ChildReader read) {
        for (pugi::xml_node child : parent.children()) {
            if (child.type() != pugi::node_element) continue;
            if (std::string(child.name()) != element || std::string(child.attribute("type").value()) != type)
                return Fail(child, "unexpected " + Describe(child) + " in " + Describe(parent) +
                                       ", expected <" + element + " type=\"" + type + "\">");
            std::string key = child.attribute("key").value();
            if (key.empty()) return Fail(child, Describe(child) + " needs a non-empty key");
            if (!(this->*read)(child, key)) return false;
        }
        return true;
    }

    /// Splits "name<sep>locale"; returns false for a locale other than English, which is skipped.
    bool EnglishName(const std::string &key, char separator, bool localeRequired, std::string &name,
                     bool &isEnglish, pugi::xml_node node) {
        size_t pos = key.rfind(separator);
        std::string locale = pos == std::string::npos ? std::string() : key.substr(pos + 1);
        if (pos != std::string::npos && IsLocale(locale)) {
            name = key.substr(0, pos);
            isEnglish = locale == kEnglish;
            if (name.empty()) return Fail(node, "key \"" + key + "\" has no name before the locale");
            return true;
        }
        if (localeRequired)
            return Fail(
                node, "key \"" + key + "\" must end with a locale such as \"" + separator + kEnglish + "\"");
        name = key;
        isEnglish = true;
        return true;
    }

    bool ReadTable(pugi::xml_node table, const std::string &key) {
        std::string name;
        bool english = false;
        if (!EnglishName(key, '.', true, name, english, table)) return false;
        std::map<std::string, std::string> texts;
        for (pugi::xml_node child : table.children()) {
            if (child.type() != pugi::node_element) continue;
            if (std::string(child.name()) != "hash" || std::string(child.attribute("type").value()) != "T")
                return Fail(child, "unexpected " + Describe(child) + " in message table \"" + key +
                                       "\", expected <hash type=\"T\">");
            std::string textKey = child.attribute("key").value();
            if (textKey.empty())
                return Fail(child, "message text in table \"" + key + "\" needs a non-empty key");
            texts[textKey] = child.text().get();
        }
        if (!english) return true;
        for (auto &entry : texts) cfg_.messages[name][entry.first] = entry.second;
        return true;
    }

    bool ReadNumber(pugi::xml_node node, const std::string &what, std::optional<double> &value) {
        value = ParseNumber(node.text().get());
        if (!value) return Fail(node, what + " \"" + node.text().get() + "\" is not a number");
        return true;
    }

    bool ReadUserValue(pugi::xml_node def, const std::string &name) {
        UserValueDef uv;
        uv.name = name;
        pugi::xml_node minNode, maxNode, defaultNode;
        for (pugi::xml_node child : def.children()) {
            if (child.type() != pugi::node_element) continue;
            std::string element = child.name(), type = child.attribute("type").value();
            if (element == "atom" && type == "Type")
                uv.type = child.text().get();
            else if (element == "atom" && type == "UserName")
                uv.userName = child.text().get();
            else if (element == "atom" && type == "DefaultValue") {
                uv.defaultValue = child.text().get();
                defaultNode = child;
            } else if (element == "atom" && type == "Min")
                minNode = child;
            else if (element == "atom" && type == "Max")
                maxNode = child;
            else if (element == "list" && type == "List") {
                for (pugi::xml_node entry : child.children()) {
                    if (entry.type() != pugi::node_element) continue;
                    if (std::string(entry.name()) != "atom" ||
                        std::string(entry.attribute("type").value()) != "Entry")
                        return Fail(entry,
                                    "unexpected " + Describe(entry) + " in the list of \"" + name + "\"");
                    uv.choiceLabels.push_back(entry.text().get());
                }
            } else
                return Fail(child, "unexpected " + Describe(child) + " in user value \"" + name + "\"");
        }
        if (!IsKnownType(uv.type))
            return Fail(def, "user value \"" + name + "\" has unknown type \"" + uv.type + "\"");
        if (IsNumericType(uv.type) && !CheckNumericUserValue(def, defaultNode, minNode, maxNode, uv))
            return false;
        cfg_.userValues[name] = uv;
        return true;
    }

    bool CheckNumericUserValue(pugi::xml_node def, pugi::xml_node defaultNode, pugi::xml_node minNode,
                               pugi::xml_node maxNode, UserValueDef &uv) {
        const std::string &name = uv.name;
        if (minNode && !ReadNumber(minNode, "minimum of \"" + name + "\"", uv.min)) return false;
        if (maxNode && !ReadNumber(maxNode, "maximum of \"" + name + "\"", uv.max)) return false;
        if (uv.min && uv.max && *uv.min > *uv.max)
            return Fail(minNode, "user value \"" + name + "\" has a minimum above its maximum");
        if (uv.defaultValue.empty()) uv.defaultValue = "0";
        std::optional<double> value = ParseNumber(uv.defaultValue);
        pugi::xml_node where = defaultNode ? defaultNode : def;
        if (!value) return Fail(where, "default of \"" + name + "\" is not a number");
        bool wholeType = uv.type == "integer" || uv.type == "boolean";
        if (wholeType && *value != std::floor(*value))
            return Fail(where,
                        "default of " + uv.type + " user value \"" + name + "\" is not a whole number");
        if ((uv.min && *value < *uv.min) || (uv.max && *value > *uv.max))
            return Fail(where, "default of \"" + name + "\" lies outside its minimum and maximum");
        if (uv.choiceLabels.empty()) return true;
        bool matches = uv.type == "integer" && uv.min && *uv.min == 0.0 && uv.max &&
                       *uv.max == static_cast<double>(uv.choiceLabels.size() - 1);
        if (!matches)
            return Fail(def, "the list of \"" + name +
                                 "\" must name every value of an integer from 0 to its maximum");
        return true;
    }

    bool ReadPopup(pugi::xml_node popup, const std::string &key) {
        std::string type = key[0] == '=' ? key.substr(1) : key;
        if (type.empty()) return Fail(popup, "popup key \"" + key + "\" names no popup type");
        std::vector<PopupEntry> entries;
        for (pugi::xml_node child : popup.children()) {
            if (child.type() != pugi::node_element) continue;
            if (std::string(child.name()) != "hash" ||
                std::string(child.attribute("type").value()) != "Entry")
                return Fail(child, "unexpected " + Describe(child) + " in popup \"" + type + "\"");
            PopupEntry entry{child.attribute("key").value(), child.text().get()};
            if (entry.internalName.empty()) return Fail(child, "popup entry in \"" + type + "\" needs a key");
            auto same = [&entry](const PopupEntry &e) { return e.internalName == entry.internalName; };
            if (std::any_of(entries.begin(), entries.end(), same))
                return Fail(child, "popup \"" + type + "\" names \"" + entry.internalName + "\" twice");
            entries.push_back(entry);
        }
        cfg_.popups[type] = entries;
        return true;
    }

    bool ReadArgument(pugi::xml_node arg, const std::string &argName, CommandHelp &help) {
        ArgumentHelp &argHelp = help.arguments[argName];
        for (pugi::xml_node child : arg.children()) {
            if (child.type() != pugi::node_element) continue;
            std::string element = child.name(), type = child.attribute("type").value();
            if (element == "atom" && type == "UserName")
                argHelp.userName = child.text().get();
            else if (element == "atom" && type == "Desc")
                argHelp.description = child.text().get();
            else
                return Fail(child, "unexpected " + Describe(child) + " in argument \"" + argName + "\"");
        }
        return true;
    }

    /// Command help holds commands with their arguments and tools with their attributes.
    bool ReadHelp(pugi::xml_node atom) {
        for (pugi::xml_node child : atom.children()) {
            if (child.type() != pugi::node_element) continue;
            std::string element = child.name(), type = child.attribute("type").value();
            std::string key = child.attribute("key").value();
            if (element != "hash" || (type != "Command" && type != "Tool"))
                return Fail(child, "unexpected " + Describe(child) + " in " + Describe(atom) +
                                       ", expected <hash type=\"Command\"> or <hash type=\"Tool\">");
            if (key.empty()) return Fail(child, Describe(child) + " needs a non-empty key");
            bool ok = type == "Command" ? ReadCommand(child, key, "Argument", cfg_.commands)
                                        : ReadCommand(child, key, "Attribute", cfg_.tools);
            if (!ok) return false;
        }
        return true;
    }

    bool ReadCommand(pugi::xml_node command, const std::string &key, const std::string &argumentType,
                     std::map<std::string, CommandHelp> &into) {
        std::string name;
        bool english = false;
        if (!EnglishName(key, '@', false, name, english, command)) return false;
        CommandHelp help;
        for (pugi::xml_node child : command.children()) {
            if (child.type() != pugi::node_element) continue;
            std::string element = child.name(), type = child.attribute("type").value();
            if (element == "atom" && type == "UserName")
                help.userName = child.text().get();
            else if (element == "atom" && type == "ButtonName")
                help.buttonName = child.text().get();
            else if (element == "atom" && type == "Desc")
                help.description = child.text().get();
            else if (element == "hash" && type == argumentType) {
                std::string argName = child.attribute("key").value();
                if (argName.empty()) return Fail(child, "argument of \"" + name + "\" needs a key");
                if (!ReadArgument(child, argName, help)) return false;
            } else
                return Fail(child, "unexpected " + Describe(child) + " in command \"" + name + "\"");
        }
        if (english) into[name] = help;
        return true;
    }

    bool ReadHelpPage(pugi::xml_node page, const std::string &server) {
        std::string url = page.text().get();
        if (url.empty()) return Fail(page, "help page of \"" + server + "\" has no address");
        cfg_.helpPages[server] = url;
        return true;
    }

    const std::string &path_;
    const std::string &buffer_;
    HostConfig &cfg_;
    std::string &error_;
};

bool ReadWholeFile(const std::string &path, std::string &buffer, std::string &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the file";
        return false;
    }
    buffer.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = path + ": cannot read the file";
        return false;
    }
    return true;
}

bool LoadConfigFileInto(const std::string &path, HostConfig &cfg, std::string &error) {
    std::string buffer;
    if (!ReadWholeFile(path, buffer, error)) return false;
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(buffer.data(), buffer.size());
    if (!parsed) {
        size_t offset = std::min(static_cast<size_t>(std::max<ptrdiff_t>(parsed.offset, 0)), buffer.size());
        int line = 1 + static_cast<int>(std::count(buffer.begin(), buffer.begin() + offset, '\n'));
        error = path + ":" + std::to_string(line) + ": malformed XML: " + parsed.description();
        return false;
    }
    HostConfig merged = cfg;
    if (!ConfigReader(path, buffer, merged, error).Read(doc)) return false;
    cfg = std::move(merged);
    return true;
}

}  // namespace

bool LoadConfigFile(const std::string &path, HostConfig &cfg, std::string &error) {
    try {
        return LoadConfigFileInto(path, cfg, error);
    } catch (const std::exception &e) {
        error = path + ": " + e.what();
        return false;
    }
}

bool LoadConfigDir(const std::string &dir, HostConfig &cfg, std::string &error) {
    try {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (!fs::is_directory(dir, ec)) {
            error = dir + ": not a configuration folder";
            return false;
        }
        std::vector<fs::path> files;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".cfg" && it->is_regular_file(ec)) files.push_back(it->path());
        if (ec) {
            error = dir + ": " + ec.message();
            return false;
        }
        std::sort(files.begin(), files.end(),
                  [](const fs::path &a, const fs::path &b) { return a.filename() < b.filename(); });
        HostConfig merged = cfg;
        for (const fs::path &file : files)
            if (!LoadConfigFileInto(file.string(), merged, error)) return false;
        cfg = std::move(merged);
        return true;
    } catch (const std::exception &e) {
        error = dir + ": " + e.what();
        return false;
    }
}

std::string FormatMessage(const std::string &text, const std::vector<std::string> &args) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next == '%') {
            out += '%';
            ++i;
        } else if (text[i] == '%' && next >= '1' && next <= '9') {
            size_t index = static_cast<size_t>(next - '1');
            if (index < args.size()) out += args[index];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const std::string *FindMessage(const HostConfig &cfg, const std::string &table, const std::string &key) {
    auto t = cfg.messages.find(table);
    if (t == cfg.messages.end()) return nullptr;
    auto k = t->second.find(key);
    return k == t->second.end() ? nullptr : &k->second;
}

}  // namespace gorva::host
