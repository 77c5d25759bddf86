// Reference counting, interface lookup and GUID parsing for host objects.
#include "host/bridge/com_base.hpp"

#include <cctype>
#include <cstdio>

namespace gorva::host {
namespace {

// Answers with the host object itself: how the host recognises its own objects coming back.
constexpr LXtGUID kHostSelf = {
    0x6a0e3c1d, {0x52b4, 0x4f0a}, {0x8e, 0x17, 0x3b, 0x9c, 0x44, 0x02, 0xd5, 0x61}};
constexpr LXtGUID kUnknown = {0x00000000, {0x0000, 0x0000}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC4}};

LxResult UnkQuery(LXtObjectID self, const LXtGUID *iid, void **ppvObj) {
    return static_cast<ComSlot *>(self)->base->Query(iid, ppvObj);
}
unsigned UnkAddRef(LXtObjectID self) {
    return static_cast<ComSlot *>(self)->base->AddRef();
}
unsigned UnkRelease(LXtObjectID self) {
    return static_cast<ComSlot *>(self)->base->Release();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

LxResult ComBase::Query(const LXtGUID *iid, void **ppvObj) {
    if (!ppvObj) return LXe_INVALIDARG;
    *ppvObj = nullptr;
    if (!iid) return LXe_INVALIDARG;
    if (SameGuid(*iid, kHostSelf)) {
        *ppvObj = this;
        AddRef();
        return LXe_OK;
    }
    void *found = SameGuid(*iid, kUnknown) ? Hand() : Interface(*iid);
    if (!found) return LXe_NOINTERFACE;
    *ppvObj = found;
    AddRef();
    return LXe_OK;
}

void *ComBase::Interface(const LXtGUID &iid) {
    for (auto &[guid, slot] : m_slots)
        if (SameGuid(*guid, iid)) return Provides(iid) ? slot : nullptr;
    return nullptr;
}

unsigned ComBase::Release() {
    const unsigned left = --m_refs;
    if (left == 0) delete this;
    return left;
}

ILxUnknown ComBase::UnknownTable() {
    ILxUnknown vt;
    vt.QueryInterface = &UnkQuery;
    vt.AddRef = &UnkAddRef;
    vt.Release = &UnkRelease;
    return vt;
}

void ComBase::NoteEscape(const char *where) {
    std::fprintf(stderr, "gorva: internal error stopped at the SDK boundary in %s\n", where);
}

LXtGUID GuidFromString(const char *text) {
    LXtGUID g{};
    unsigned char bytes[16];
    int n = 0, hi = -1;
    for (const char *p = text ? text : ""; *p && n < 16; ++p) {
        if (*p == '-') continue;
        const int d = HexDigit(*p);
        if (d < 0) return LXtGUID{};
        if (hi < 0) {
            hi = d;
        } else {
            bytes[n++] = static_cast<unsigned char>(hi << 4 | d);
            hi = -1;
        }
    }
    if (n != 16) return LXtGUID{};
    g.x4 = unsigned(bytes[0]) << 24 | unsigned(bytes[1]) << 16 | unsigned(bytes[2]) << 8 | bytes[3];
    g.x2[0] = static_cast<unsigned short>(bytes[4] << 8 | bytes[5]);
    g.x2[1] = static_cast<unsigned short>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) g.x1[i] = bytes[8 + i];
    return g;
}

ComBase *HostBase(LXtObjectID obj) {
    if (!obj) return nullptr;
    void *self = nullptr;
    auto unk = static_cast<ILxUnknownID>(obj);
    if (LXx_FAIL(unk[0]->QueryInterface(obj, &kHostSelf, &self)) || !self) return nullptr;
    auto *base = static_cast<ComBase *>(self);
    base->Release();
    return base;
}

LXtObjectID ObjQuery(LXtObjectID obj, const LXtGUID &iid) {
    void *out = nullptr;
    auto unk = static_cast<ILxUnknownID>(obj);
    if (LXx_FAIL(unk[0]->QueryInterface(obj, &iid, &out))) return nullptr;
    return out;
}

}  // namespace gorva::host
