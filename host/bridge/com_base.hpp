// Base of every object the host hands across the SDK boundary: a C object per interface (a pointer
// to its vtable, as the SDK's binary standard has it), reference counting, lookup by GUID.
#pragma once
#include "host/guard.hpp"

#include <lxcom.h>

#include <cstring>
#include <utility>
#include <vector>

namespace gorva::host {

class ComBase;

/// What an LXtObjectID of a host object points at: the interface's vtable first, then the way back.
struct ComSlot {
    const ILxUnknown *vt;
    void *ifc;
    ComBase *base;
};

/// Reference counting and interface lookup shared by the interfaces an object serves. Each
/// generated `Ifc<Name>` base offers its interface from its constructor.
class ComBase {
public:
    ComBase(const ComBase &) = delete;
    ComBase &operator=(const ComBase &) = delete;

    /// Finds an interface by GUID and adds a reference; LXe_NOINTERFACE when not served.
    virtual LxResult Query(const LXtGUID *iid, void **ppvObj);
    unsigned AddRef() { return ++m_refs; }
    unsigned Release();
    /// The object's first interface with its current reference handed over, for `void **` results.
    void *Hand() { return m_slots.empty() ? nullptr : m_slots.front().second; }
    /// The object's interface of that GUID, without a reference, or null.
    void *Interface(const LXtGUID &iid);

protected:
    ComBase() = default;
    virtual ~ComBase() = default;
    /// Lets a class withhold an interface it derives from (a locator on a non-locator item).
    virtual bool Provides(const LXtGUID &iid) const { return true; }
    void Offer(const LXtGUID &iid, ComSlot *slot) { m_slots.emplace_back(&iid, slot); }
    static ILxUnknown UnknownTable();
    static void *SlotOwner(LXtObjectID obj) { return static_cast<ComSlot *>(obj)->ifc; }
    /// Records that a host exception was stopped at the boundary instead of reaching the module.
    static void NoteEscape(const char *where);

private:
    std::vector<std::pair<const LXtGUID *, ComSlot *>> m_slots;
    unsigned m_refs = 1;
};

/// True when two GUIDs are the same.
inline bool SameGuid(const LXtGUID &a, const LXtGUID &b) {
    return std::memcmp(&a, &b, sizeof(LXtGUID)) == 0;
}

/// The GUID of an SDK "LXu_" string; a malformed string gives the zero GUID.
LXtGUID GuidFromString(const char *text);

/// Stores a new host object into a `void **` result, handing over its first reference.
template <class T>
inline LxResult HandOut(T *obj, void **ppvObj) {
    *ppvObj = obj->Hand();
    return LXe_OK;
}

/// The host object behind an object the module passes back, or null when it is not one of the
/// host's own (the module's visitors, say) or not of that class.
ComBase *HostBase(LXtObjectID obj);
template <class T>
inline T *HostSide(LXtObjectID obj) {
    return dynamic_cast<T *>(HostBase(obj));
}

// Reference counting on any object, the host's or the module's, through its unknown interface.
inline unsigned ObjAddRef(LXtObjectID obj) {
    auto unk = static_cast<ILxUnknownID>(obj);
    return unk[0]->AddRef(obj);
}
inline unsigned ObjRelease(LXtObjectID obj) {
    auto unk = static_cast<ILxUnknownID>(obj);
    return unk[0]->Release(obj);
}
/// Another interface of any object, with a reference; null when the object lacks it.
LXtObjectID ObjQuery(LXtObjectID obj, const LXtGUID &iid);

/// The vtable of any C object, typed for the interface it is known to serve.
template <class Vt>
inline Vt *VtOf(LXtObjectID obj) {
    return *static_cast<Vt **>(obj);
}

/// Holds one reference to an object of the module (a server instance, a visitor) for the host's
/// calls through one interface; releases it on destruction.
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(LXtObjectID taken) : m_obj(taken) {}
    ComRef(const ComRef &o) : m_obj(o.m_obj) {
        if (m_obj) ObjAddRef(m_obj);
    }
    ComRef(ComRef &&o) noexcept : m_obj(std::exchange(o.m_obj, nullptr)) {}
    ComRef &operator=(ComRef o) {
        std::swap(m_obj, o.m_obj);
        return *this;
    }
    ~ComRef() {
        if (m_obj) ObjRelease(m_obj);
    }
    /// Another interface of the same object, or an empty ref.
    ComRef Query(const LXtGUID &iid) const { return ComRef(m_obj ? ObjQuery(m_obj, iid) : nullptr); }
    LXtObjectID get() const { return m_obj; }
    explicit operator bool() const { return m_obj != nullptr; }
    /// Calls method `m` of vtable type Vt: ref.Call(&ILxTool::Evaluate, args...).
    template <class Vt, class R, class... P, class... A>
    R Call(R (*Vt::*m)(LXtObjectID, P...), A &&...args) const {
        return (VtOf<Vt>(m_obj)->*m)(m_obj, std::forward<A>(args)...);
    }

private:
    LXtObjectID m_obj = nullptr;
};

}  // namespace gorva::host
