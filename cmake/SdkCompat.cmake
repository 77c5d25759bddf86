# What the SDK in use offers where SDK versions differ. Each check compiles a line of module-style
# code against the SDK's headers; its result reaches the module as a compile definition.
include(CheckCXXSourceCompiles)

function(gorva_sdk_check result code)
  set(CMAKE_REQUIRED_INCLUDES "${GORVA_SDK_ROOT}/include")
  set(CMAKE_REQUIRED_FLAGS "-w")
  # The SDK's common library is not built yet: compile only, link nothing.
  set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
  check_cxx_source_compiles("${code}" ${result})
  set(${result} "${${result}}" PARENT_SCOPE)
endfunction()

# Later SDKs instance items through the scene (ILxScene::ItemInstance); older ones do not.
unset(GORVA_SDK_SCENE_HAS_ITEMINSTANCE CACHE)
gorva_sdk_check(GORVA_SDK_SCENE_HAS_ITEMINSTANCE "
#include <lx_wrap.hpp>
#include <lx_item.hpp>
bool Instance(CLxUser_Scene &scene, CLxUser_Item &source, CLxUser_Item &instance) {
    return scene.ItemInstance(source, instance);
}
")
if(GORVA_SDK_SCENE_HAS_ITEMINSTANCE)
  set(GORVA_SDK_SCENE_HAS_ITEMINSTANCE 1)
else()
  set(GORVA_SDK_SCENE_HAS_ITEMINSTANCE 0)
endif()
message(STATUS "Plug-in SDK: scene ItemInstance ${GORVA_SDK_SCENE_HAS_ITEMINSTANCE}")
