// COM-like object model of the host SDK: every host object and every server interface derives
// from ILxUnknown, is reference counted, and is reached by interface name.
#pragma once

#include <cstring>
#include <utility>

#include "lx_types.hpp"

/// Root of every interface. QueryInterface adds a reference on success.
class ILxUnknown {
public:
    virtual LxResult QueryInterface(const char *iid, void **ppvObj) = 0;
    virtual unsigned AddRef() = 0;
    virtual unsigned Release() = 0;

protected:
    ~ILxUnknown() = default;
};

typedef ILxUnknown *ILxUnknownID;
typedef void *LXtObjectID;

/// The host's root object: the module reaches every global service through it.
class ILxHostRoot : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxHostRoot";
    /// Finds a global service by interface name; the result carries a reference.
    virtual LxResult Service(const char *iid, void **ppvObj) = 0;

protected:
    ~ILxHostRoot() = default;
};

namespace lx {

/// Sets the host root that global service lookups go through (done once by the module entry).
void SetHostRoot(ILxUnknownID root);
/// Current host root, or null before the module was created.
ILxUnknownID HostRoot();
/// Looks a global service up by interface name; fails with LXe_NOTAVAILABLE without a host.
LxResult GetGlobal(const char *iid, void **ppvObj);

/// Treats an opaque object pointer handed out by the host as its unknown interface.
inline ILxUnknownID Unknown(void *obj) {
    return static_cast<ILxUnknownID>(obj);
}

}  // namespace lx

/// Client-side holder of one interface of a host object (`CLxLoc_X` in the SDK's naming).
/// Holds one reference; copying adds one, destruction releases it.
template <class I>
class CLxLocT {
public:
    CLxLocT() = default;
    CLxLocT(const CLxLocT &other) : m_loc(other.m_loc) { AddRefLoc(); }
    CLxLocT(CLxLocT &&other) noexcept : m_loc(std::exchange(other.m_loc, nullptr)) {}
    CLxLocT &operator=(const CLxLocT &other) {
        if (this != &other) {
            I *old = m_loc;
            m_loc = other.m_loc;
            AddRefLoc();
            if (old) old->Release();
        }
        return *this;
    }
    CLxLocT &operator=(CLxLocT &&other) noexcept {
        if (this != &other) {
            clear();
            m_loc = std::exchange(other.m_loc, nullptr);
        }
        return *this;
    }
    ~CLxLocT() { clear(); }

    /// Binds to the interface of obj; false (and cleared) when obj is null or lacks the interface.
    bool set(ILxUnknownID obj) {
        clear();
        if (!obj) return false;
        void *p = nullptr;
        if (LXx_FAIL(obj->QueryInterface(I::IID, &p)) || !p) return false;
        m_loc = static_cast<I *>(p);
        return true;
    }
    bool set(void *obj) { return set(lx::Unknown(obj)); }
    /// Binds to an object whose reference the caller hands over (the result of an allocating call).
    bool take(void *obj) {
        bool ok = set(obj);
        if (obj) lx::Unknown(obj)->Release();
        return ok;
    }
    void clear() {
        if (m_loc) m_loc->Release();
        m_loc = nullptr;
    }
    bool test() const { return m_loc != nullptr; }
    bool check() const { return test(); }
    I *loc() const { return m_loc; }
    operator ILxUnknownID() const { return m_loc; }

protected:
    void AddRefLoc() {
        if (m_loc) m_loc->AddRef();
    }
    I *m_loc = nullptr;
};

/// Global services bind themselves on construction (`CLxLoc_XService`).
template <class I>
class CLxLocServiceT : public CLxLocT<I> {
public:
    CLxLocServiceT() { this->take(Lookup()); }
    /// Binds again, for services created before the host was known.
    bool autoInit() { return this->take(Lookup()); }

private:
    static void *Lookup() {
        void *p = nullptr;
        if (LXx_FAIL(lx::GetGlobal(I::IID, &p))) return nullptr;
        return p;
    }
};

/// Base of objects handed across the interface boundary: reference counting and interface lookup
/// by name through the most derived class's InterfaceFor.
template <class Derived>
class CLxRefCounted {
public:
    unsigned AddRefImpl() { return ++m_refs; }
    unsigned ReleaseImpl() {
        unsigned left = --m_refs;
        if (left == 0) delete static_cast<Derived *>(this);
        return left;
    }

protected:
    CLxRefCounted() = default;
    ~CLxRefCounted() = default;
    unsigned m_refs = 1;
};

/// Writes `iface` to ppvObj with a reference when `iid` names it; the building block of QueryInterface.
template <class I, class Obj>
bool LxOfferInterface(Obj *obj, const char *iid, void **ppvObj) {
    if (std::strcmp(iid, I::IID) != 0 && std::strcmp(iid, "ILxUnknown") != 0) return false;
    *ppvObj = static_cast<I *>(obj);
    obj->AddRef();
    return true;
}
