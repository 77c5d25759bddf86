// The scene state as JSON: items, meshes, selection, user values, preferences, dialogs and log.
#pragma once
#include "host/guard.hpp"

#include <nlohmann/json.hpp>
#include <string>

#include "host/host.hpp"

namespace gorva::host {

/// The whole host state as a JSON document. Lengths in metres, "rotation" in degrees (channels keep
/// their own units, radians for angles); mesh points are in item space, matrices row-vector 4x4.
nlohmann::json DumpScene(Host &host);

/// Writes DumpScene to a file (two-space indent) through WriteFileSafely; false with a reason when
/// it cannot be written.
bool WriteSceneDump(Host &host, const std::string &path, std::string &error);

/// A single-precision value as the shortest decimal that reads back to it, widened to double.
double ShortestDouble(float value);

}  // namespace gorva::host
