// Reading host settings: user values, preferences and the current values of command arguments.
// Every function returns the caller's default (or empty text) when the host has no answer.
#pragma once

#include <string>

namespace qk {

/// User value as an integer, or `fallback` when the host defines no such value.
int GetUserValueInt(const char *name, int fallback);
/// User value as a double, or `fallback` when the host defines no such value.
double GetUserValueFloat(const char *name, double fallback);
/// Preference (read through "pref.value") as an integer, or `fallback`.
int GetPreferenceInt(const char *name, int fallback);
/// Preference (read through "pref.value") as a double, or `fallback`.
double GetPreferenceFloat(const char *name, double fallback);
/// First value of the command's first argument as text (at most 255 characters), or empty text.
std::string QueryCommandString(const char *command);
/// User value as text, or empty text when the host defines no such value.
std::string QueryCommand(const char *name);

}  // namespace qk
