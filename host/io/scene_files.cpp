#include "host/io/scene_files.hpp"

#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"

namespace gorva::host {

bool OpenSceneFile(Host &host, const std::string &path, std::string &error) {
    return IsGltfPath(path) ? OpenGltfScene(host, path, error) : OpenObjScene(host, path, error);
}

bool SaveSceneFile(Host &host, const std::string &path, std::string &error) {
    return IsGltfPath(path) ? SaveGltfScene(host, path, error) : SaveObjScene(host, path, error);
}

}  // namespace gorva::host
