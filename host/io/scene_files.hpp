// Scene files by their extension: glTF for ".gltf" and ".glb", OBJ for anything else.
#pragma once
#include "host/guard.hpp"

#include <string>

#include "host/model/document.hpp"

namespace gorva::host {

/// Replaces the scene with the file's (OpenGltfScene or OpenObjScene); on failure the scene is as it was.
bool OpenSceneFile(Document &doc, const std::string &path, std::string &error);

/// Writes the scene (SaveGltfScene or SaveObjScene); on failure the file is as it was.
bool SaveSceneFile(Document &doc, const std::string &path, std::string &error);

}  // namespace gorva::host
