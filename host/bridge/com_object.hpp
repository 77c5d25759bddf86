// Base of every object the host hands across the SDK boundary: reference counting and lookup of
// the interfaces the object implements by name.
#pragma once
#include "host/guard.hpp"

#include <cstring>

#include "lx_com.hpp"

namespace gorva::host {

template <class Self, class First, class... Rest>
class HostObject : public First, public Rest... {
public:
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        if (std::strcmp(iid, "ILxUnknown") == 0) return Hand(static_cast<First *>(this), ppvObj);
        if (Offers<First>(iid, ppvObj) || (Offers<Rest>(iid, ppvObj) || ...)) return LXe_OK;
        *ppvObj = nullptr;
        return LXe_NOINTERFACE;
    }
    unsigned AddRef() override { return ++m_refs; }
    unsigned Release() override {
        unsigned left = --m_refs;
        if (left == 0) delete static_cast<Self *>(this);
        return left;
    }
    /// The object as an opaque pointer with its one reference, for `void **` results.
    void *Hand() { return static_cast<ILxUnknown *>(static_cast<First *>(this)); }

protected:
    HostObject() = default;
    virtual ~HostObject() = default;
    /// Lets a class withhold an interface (a locator interface on a non-locator item).
    virtual bool Provides(const char *iid) const { return true; }

private:
    template <class I>
    bool Offers(const char *iid, void **ppvObj) {
        if (std::strcmp(iid, I::IID) != 0 || !Provides(iid)) return false;
        Hand(static_cast<I *>(this), ppvObj);
        return true;
    }
    template <class I>
    LxResult Hand(I *iface, void **ppvObj) {
        *ppvObj = iface;
        AddRef();
        return LXe_OK;
    }
    unsigned m_refs = 1;
};

/// Stores a new object into a `void **` result, handing over its first reference.
template <class T>
inline LxResult HandOut(T *obj, void **ppvObj) {
    *ppvObj = obj->Hand();
    return LXe_OK;
}

/// The host object behind an interface pointer that the host itself handed out, or null. Every
/// interface of a host object derives from ILxUnknown, so the cast works from any of them.
template <class T>
inline T *HostSide(ILxUnknownID obj) {
    return obj ? dynamic_cast<T *>(obj) : nullptr;
}

}  // namespace gorva::host
