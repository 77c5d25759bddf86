#include "app/serve/page_fields.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "host/base/numbers.hpp"
#include "host/bridge/attributes_ref.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

using Json = nlohmann::json;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Printed(const char *format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

/// A colour as "r g b", each component to six digits; other text unchanged.
std::string ColourText(const std::string &value) {
    std::istringstream in(value);
    std::vector<std::string> parts;
    for (std::string part; in >> part;) parts.push_back(part);
    std::string text;
    for (const std::string &part : parts) {
        double v = 0.0;
        std::string reason;
        if (parts.size() != 3 || !ReadNumber(part, NumberKind::kReal, v, reason)) return value;
        text += (text.empty() ? "" : " ") + Printed("%g", v);
    }
    return text;
}

/// The labels a configuration popup gives the choices, when one popup lists exactly these names.
std::vector<std::string> PopupLabels(const HostConfig &config,
                                     const std::vector<std::pair<int, std::string>> &choices) {
    for (const auto &[type, entries] : config.popups) {
        if (entries.size() != choices.size()) continue;
        bool same = true;
        for (size_t i = 0; i < entries.size() && same; ++i)
            same = entries[i].internalName == choices[i].second;
        if (!same) continue;
        std::vector<std::string> labels;
        for (const auto &e : entries) labels.push_back(e.label);
        return labels;
    }
    return {};
}

/// "arch_type" as a field label, "Arch Type", where the configuration has no label.
std::string LabelOf(const std::string &name) {
    std::string label;
    bool start = true;
    for (char c : name) {
        if (c == '_') {
            label += ' ';
            start = true;
            continue;
        }
        label += start ? char(std::toupper(static_cast<unsigned char>(c))) : c;
        start = false;
    }
    return label;
}

Json ChoicesJson(const HostConfig &config, const std::vector<std::pair<int, std::string>> &choices) {
    std::vector<std::string> labels = PopupLabels(config, choices);
    Json out = Json::array();
    for (size_t i = 0; i < choices.size(); ++i)
        out.push_back({{"value", choices[i].first},
                       {"name", choices[i].second},
                       {"label", labels.empty() ? choices[i].second : labels[i]}});
    return out;
}

/// The help of a command or tool by server name, or nullptr.
const CommandHelp *HelpOf(const std::map<std::string, CommandHelp> &helps, const std::string &name) {
    auto at = helps.find(name);
    return at == helps.end() ? nullptr : &at->second;
}

/// A field's name, label and tooltip (from the help where it has them), type, value and its text.
Json FieldJson(const CommandHelp *help, const std::string &name, const std::string &type,
               const std::string &value) {
    std::string label, tooltip;
    if (help)
        if (auto at = help->arguments.find(name); at != help->arguments.end())
            label = at->second.userName, tooltip = at->second.description;
    return {{"name", name},       {"label", label.empty() ? LabelOf(name) : label},
            {"tooltip", tooltip}, {"type", type},
            {"value", value},     {"text", FieldText(type, value)}};
}

/// The choices of an attribute's text hints (their values from 0 up; the others are limits).
std::vector<std::pair<int, std::string>> HintChoices(const AttributesRef &attrs, unsigned index) {
    std::vector<std::pair<int, std::string>> choices;
    if (const LXtTextValueHint *table = attrs.Hints(index))
        for (const LXtTextValueHint *hint = table; hint->text; ++hint)
            if (hint->value >= 0 && hint->text[0] != '=') choices.emplace_back(hint->value, hint->text);
    return choices;
}

}  // namespace

std::string FieldText(const std::string &type, const std::string &value) {
    if (type == LXsTYPE_COLOR) return ColourText(value);
    if (type == LXsTYPE_BOOLEAN || type == LXsTYPE_STRING) return value;
    const bool whole = type == LXsTYPE_INTEGER;
    double v = 0.0;
    std::string reason;
    if (!ReadNumber(value, whole ? NumberKind::kWhole : NumberKind::kReal, v, reason)) return value;
    if (v == 0.0) v = 0.0;  // no "-0"
    if (type == LXsTYPE_DISTANCE) return FormatDistance(v);
    if (type == LXsTYPE_ANGLE) return Printed("%g\xc2\xb0", v * 180.0 / kPi);
    if (whole) return Printed("%.0f", v);
    return Printed("%g", v);
}

Json ToolFieldsJson(Host &host, const std::string &tool) {
    const CommandHelp *help = HelpOf(host.config.tools, tool);
    Json fields = Json::array();
    for (const ToolAttributeRow &row : host.Tools().AttributeTable(tool)) {
        Json field = FieldJson(help, row.name, row.type, row.value);
        field["choices"] = ChoicesJson(host.config, row.choices);
        field["disabled"] = row.disabledReason;
        if (row.hasMinimum) field["min"] = row.minimum;
        if (row.hasMaximum) field["max"] = row.maximum;
        fields.push_back(field);
    }
    return fields;
}

Json ToolButtonJson(const Host &host, const std::string &tool) {
    const CommandHelp *help = HelpOf(host.config.tools, tool);
    const bool named = help && !help->userName.empty();
    return {{"name", tool},
            {"label", named ? help->userName : tool},
            {"description", help ? help->description : std::string()}};
}

Json CommandFormJson(Host &host, const std::string &command) {
    const CommandHelp *help = HelpOf(host.config.commands, command);
    Json args = Json::array(), values = Json::array();
    if (LXtObjectID obj = host.SpawnServer(command)) {
        AttributesRef attrs(obj);
        for (unsigned i = 0; i < attrs.Count(); ++i) {
            Json field = FieldJson(help, attrs.Name(i), attrs.TypeName(i), std::string());
            field["choices"] = ChoicesJson(host.config, HintChoices(attrs, i));
            args.push_back(field);
        }
        ObjRelease(obj);
    }
    const std::string word = "_" + command.substr(command.rfind('.') + 1) + "_";
    for (const auto &[key, def] : host.config.userValues) {
        if (key.find(word) == std::string::npos) continue;
        const std::string *value = host.UserValue(key);
        Json field = FieldJson(nullptr, key, def.type, value ? *value : def.defaultValue);
        field["label"] = def.userName.empty() ? key : def.userName;
        field["choices"] = def.choiceLabels;
        if (def.min) field["min"] = *def.min;
        if (def.max) field["max"] = *def.max;
        values.push_back(field);
    }
    const bool named = help && !help->userName.empty();
    return {{"name", command},
            {"label", named ? help->userName : command},
            {"description", help ? help->description : std::string()},
            {"arguments", args},
            {"userValues", values}};
}

}  // namespace gorva::host
