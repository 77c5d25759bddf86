// glTF 2.0 scene files, text (.gltf, buffers embedded) and binary (.glb): items as nodes with their
// hierarchy and transforms, meshes triangulated per part tag with the polygons kept in extras,
// lights through KHR_lights_punctual, the scene turned from the host's up axis to glTF's +Y.
#pragma once
#include "host/guard.hpp"

#include <string>
#include <vector>

#include "host/model/document.hpp"

namespace gorva::host {

/// True when the path names a glTF file (".gltf" or ".glb", any case).
bool IsGltfPath(const std::string &path);

/// The scene as glTF bytes: binary when `binary`, else JSON with its buffer embedded. `upAxis` is
/// the host's (0 X, 1 Y, 2 Z). `warnings` receives one line per kind of thing glTF cannot hold.
/// False with a reason when the scene is not savable (see CheckSavable).
bool WriteGltf(const Scene &scene, bool binary, int upAxis, std::string &bytes,
               std::vector<std::string> &warnings, std::string &error);

/// WriteGltf into a file through WriteFileSafely, binary for ".glb"; warnings go to the log and
/// name the file. False with a reason, the file untouched, on failure.
bool SaveGltfScene(Document &doc, const std::string &path, std::string &error);

/// Replaces the document's scene with a glTF file's default scene (text or binary, told by its first
/// bytes). A malformed file, data out of range, a value that is not finite or beyond single
/// precision, or a URI leading outside the file's folder or to something not a regular file is
/// refused with "PATH: reason" and the scene left as it was. What is skipped is logged in one line.
bool OpenGltfScene(Document &doc, const std::string &path, std::string &error);

/// The same from bytes already read: `label` names them in messages, external buffers are looked
/// up in `folder`.
bool ReadGltf(Document &doc, const std::string &bytes, const std::string &label, const std::string &folder,
              std::string &error);

}  // namespace gorva::host
