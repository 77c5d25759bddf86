#include "lx_com.hpp"

namespace lx {
namespace {
ILxUnknownID g_hostRoot = nullptr;
}

void SetHostRoot(ILxUnknownID root) {
    g_hostRoot = root;
}

ILxUnknownID HostRoot() {
    return g_hostRoot;
}

LxResult GetGlobal(const char *iid, void **ppvObj) {
    *ppvObj = nullptr;
    if (!g_hostRoot) return LXe_NOTAVAILABLE;
    void *rootIfc = nullptr;
    if (LXx_FAIL(g_hostRoot->QueryInterface(ILxHostRoot::IID, &rootIfc))) return LXe_NOTAVAILABLE;
    ILxHostRoot *root = static_cast<ILxHostRoot *>(rootIfc);
    LxResult r = root->Service(iid, ppvObj);
    root->Release();
    return r;
}

}  // namespace lx
