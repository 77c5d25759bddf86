// Calls whose SDK form depends on the SDK the module is built against. The build finds out at
// configure time what the SDK's wrappers offer (cmake/SdkCompat.cmake); where they lack a call, the
// module asks the host for a supplementary interface with the same contract.
#pragma once

#include "lx_wrap.hpp"
#include "lx_item.hpp"

/// Supplementary scene interface for SDKs whose scene has no ItemInstance: adds an instance of
/// `item` (same type and settings, linked to its source) and hands it out with a reference.
#define LXu_SCENEITEMINSTANCE1 "5B1C4E7A-3D2F-4A8B-9C61-0E7F2A9D4B13"

typedef struct vt_ILxSceneItemInstance1 {
    ILxUnknown iunk;
    LXxMETHOD(LxResult, ItemInstance)(LXtObjectID self, LXtObjectID item, void **ppvObj);
} ILxSceneItemInstance1;

namespace qk {

/// The identifier of ILxSceneItemInstance1 (LXu_SCENEITEMINSTANCE1).
extern const LXtGUID kSceneItemInstanceGuid;

/// Adds an instance of `source` to `scene` and binds `instance` to it. False (instance cleared)
/// when the scene offers no way to instance items or refuses this one.
bool ItemInstance(CLxUser_Scene &scene, CLxUser_Item &source, CLxUser_Item &instance);

}  // namespace qk
