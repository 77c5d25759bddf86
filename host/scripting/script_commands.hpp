// Host commands for scripts: scenes and files, items and transforms, layers, selection by index,
// test switches and pictures.
#pragma once
#include "host/guard.hpp"

#include <string>

namespace gorva::host {

class Host;
struct ItemData;
struct CommandResult;

/// The item a script names: by name ("Wall"), or by identifier in the explicit form "@mesh003".
/// Null with the reason in `result` when none has it, or when several items share the name (the
/// reason lists their identifiers).
ItemData *FindItemByName(Host &host, const std::string &key, CommandResult &result);

/// Registers scene.*, item.create/transform/parent, layer.*, select.*, host.* and render.
void RegisterScriptCommands(Host &host);

}  // namespace gorva::host
