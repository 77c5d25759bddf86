#include "tests/test_support.hpp"

#include "lx_module.hpp"

ILxModule *InProcessModule() {
    void *module = nullptr;
    lx::CreateModule(lx::HostRoot(), &module, &initialize);
    return static_cast<ILxModule *>(module);
}
