// The module's exported entry point. Compiled into the plug-in itself so that the host finds it
// with dlsym; everything else of the SDK is linked in statically and stays hidden.
#include "lx_module.hpp"

extern "C" __attribute__((visibility("default"))) LxResult ILxModule_Create(ILxUnknownID host,
                                                                            void **ppvObj) {
    return lx::CreateModule(host, ppvObj, &initialize);
}
