#include "qk_sdk_compat.hpp"

namespace qk {

const LXtGUID kSceneItemInstanceGuid = {
    0x5B1C4E7A, {0x3D2F, 0x4A8B}, {0x9C, 0x61, 0x0E, 0x7F, 0x2A, 0x9D, 0x4B, 0x13}};

#if GORVA_SDK_SCENE_HAS_ITEMINSTANCE

bool ItemInstance(CLxUser_Scene &scene, CLxUser_Item &source, CLxUser_Item &instance) {
    instance.clear();
    return scene.test() && source.test() && scene.ItemInstance(source, instance);
}

#else

bool ItemInstance(CLxUser_Scene &scene, CLxUser_Item &source, CLxUser_Item &instance) {
    instance.clear();
    if (!scene.test() || !source.test()) return false;
    ILxUnknownID sceneObj = scene;
    void *found = nullptr;
    if (LXx_FAIL(sceneObj[0]->QueryInterface(sceneObj, &kSceneItemInstanceGuid, &found)) || !found)
        return false;
    auto *instancer = static_cast<ILxSceneItemInstance1 **>(found);
    ILxUnknownID sourceObj = source;
    LXtObjectID made = nullptr;
    const LxResult result = instancer[0]->ItemInstance(instancer, sourceObj, &made);
    instancer[0]->iunk.Release(instancer);
    return LXx_OK(result) && made && instance.take(made);
}

#endif

}  // namespace qk
