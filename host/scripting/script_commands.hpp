// Host commands for scripts: scenes and files, items and transforms, layers, selection by index,
// test switches and pictures.
#pragma once
#include "host/guard.hpp"

namespace gorva::host {

class Host;

/// Registers scene.*, item.create/transform/parent, layer.*, select.*, host.* and render.
void RegisterScriptCommands(Host &host);

}  // namespace gorva::host
