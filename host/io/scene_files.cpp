#include "host/io/scene_files.hpp"

#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"

namespace gorva::host {

bool OpenSceneFile(Document &doc, const std::string &path, std::string &error) {
    return IsGltfPath(path) ? OpenGltfScene(doc, path, error) : OpenObjScene(doc, path, error);
}

bool SaveSceneFile(Document &doc, const std::string &path, std::string &error) {
    return IsGltfPath(path) ? SaveGltfScene(doc, path, error) : SaveObjScene(doc.Content(), path, error);
}

}  // namespace gorva::host
