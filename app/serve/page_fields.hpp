// The forms the browser page shows: a command's arguments and user values, the active tool's
// attributes, with the labels and tooltips the configuration gives and values as a person reads them.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host/host.hpp"

namespace gorva::host {

/// The text a field shows for a value the host holds as text: a distance with its unit as the
/// host prints distances, an angle (held in radians) in degrees, a whole number as such, any other
/// number to six significant digits; other types, and values that are not numbers, unchanged.
std::string FieldText(const std::string &type, const std::string &value);

/// The fields of a tool's attribute table: name, label, tooltip, type, the exact value and its
/// text, choices, UI limits and the reason a greyed attribute gives.
nlohmann::json ToolFieldsJson(Host &host, const std::string &tool);

/// A tool's button: its name, the label and tooltip its help gives (its name when none).
nlohmann::json ToolButtonJson(const Host &host, const std::string &tool);

/// A command's form: its label and description, its arguments and the user values it reads (those
/// named after the command's last word, "gORVA_01_SelectbyHeight_RangeUpper").
nlohmann::json CommandFormJson(Host &host, const std::string &command);

}  // namespace gorva::host
