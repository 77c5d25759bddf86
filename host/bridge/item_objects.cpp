// The scene, its items and locators, channel reads and writes, and matrix channels.
#include <cmath>
#include <cstring>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class MatrixObj final : public IfcMatrix {
public:
    explicit MatrixObj(const Matrix4 &m) : m_m(m) {}
    LxResult Get3(LXtMatrix m3) override {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m3[i][j] = m_m[i][j];
        return LXe_OK;
    }
    LxResult Get4(LXtMatrix4 m4) override {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m4[i][j] = m_m[i][j];
        return LXe_OK;
    }
    LxResult GetOffset(LXtVector v) override {
        for (int i = 0; i < 3; ++i) v[i] = m_m[3][i];
        return LXe_OK;
    }

private:
    Matrix4 m_m;
};

/// An item type as the SDK numbers it: the host's type index + 1, since 0 means no type.
LXtItemType ToSdkType(int type) {
    return type < 0 ? LXiTYPE_NONE : LXtItemType(type + 1);
}
/// The host's type index of an SDK type code, or -1 (LXiTYPE_ANY and unknown codes).
int FromSdkType(LXtItemType type) {
    return type >= 1 && size_t(type) <= ItemTypes().size() ? int(type) - 1 : -1;
}
/// True when the item's type is the SDK type or derives from it; every type for LXiTYPE_ANY.
bool OfSdkType(const ItemData &item, LXtItemType type) {
    if (type == LXiTYPE_ANY) return true;
    const int t = FromSdkType(type);
    return t >= 0 && ItemTypeIsA(item.type, t);
}

/// Channel values of the scene's items, read and written; what a scene's Channels call hands out.
class ChannelsObj final : public IfcChannelRead, public IfcChannelWrite {
public:
    explicit ChannelsObj(Host &h) : m_host(h) {}
    LxResult Double(LXtObjectID item, unsigned chan, double *v) override {
        ItemData *d = ItemOf(item);
        if (!d || chan >= d->channelValues.size()) return LXe_NOTFOUND;
        *v = d->channelValues[chan];
        return LXe_OK;
    }
    LxResult Integer(LXtObjectID item, unsigned chan, int *v) override {
        double d = 0.0;
        LxResult r = Double(item, chan, &d);
        if (LXx_OK(r)) *v = int(std::lround(d));
        return r;
    }
    /// Matrix channels (world, rotation, scale, position matrices) as matrix objects.
    LxResult ValueObj(LXtObjectID item, unsigned chan, void **ppvObj) override {
        ItemData *d = ItemOf(item);
        if (!d) return LXe_NOTFOUND;
        MatrixChannel which = d->MatrixOf(chan);
        if (which == MatrixChannel::None) return LXe_NOTFOUND;
        return HandOut(new MatrixObj(d->MatrixChannelValue(which)), ppvObj);
    }
    double Time() override { return m_host.time; }
    LxResult Double(LXtObjectID item, unsigned chan, double v) override {
        ItemData *d = ItemOf(item);
        if (!d) return LXe_NOTFOUND;
        return m_host.scene.SetChannel(*d, chan, v) ? LXe_OK : LXe_INVALIDARG;
    }
    LxResult Integer(LXtObjectID item, unsigned chan, int v) override {
        return Double(item, chan, double(v));
    }

private:
    Host &m_host;
};

/// Instancing as later SDKs have it on the scene; offered beside the scene interface so that a
/// module built against headers without it can still ask for it.
class IfcSceneItemInstance : public virtual ComBase {
public:
    static constexpr LXtGUID kGuid = {
        0x5B1C4E7A, {0x3D2F, 0x4A8B}, {0x9C, 0x61, 0x0E, 0x7F, 0x2A, 0x9D, 0x4B, 0x13}};
    virtual LxResult ItemInstance(LXtObjectID item, void **ppvObj) = 0;

protected:
    IfcSceneItemInstance() { Offer(kGuid, &m_slot); }

private:
    struct SdkTable {
        ILxUnknown iunk;
        LxResult (*ItemInstance)(LXtObjectID self, LXtObjectID item, void **ppvObj);
    };
    static LxResult Stub_ItemInstance(LXtObjectID obj, LXtObjectID item, void **ppvObj) {
        try {
            return static_cast<IfcSceneItemInstance *>(SlotOwner(obj))->ItemInstance(item, ppvObj);
        } catch (...) {
            NoteEscape("ItemInstance");
            return LXe_FAILED;
        }
    }
    static const ILxUnknown *Vt() {
        static const SdkTable table{UnknownTable(), &Stub_ItemInstance};
        return &table.iunk;
    }
    ComSlot m_slot{Vt(), static_cast<IfcSceneItemInstance *>(this), static_cast<ComBase *>(this)};
};

class SceneObj final : public IfcScene, public IfcSceneItemInstance {
public:
    explicit SceneObj(Host &h) : m_host(h) {}
    LxResult ItemCount(LXtItemType type, unsigned *count) override {
        *count = 0;
        for (const auto &item : m_host.scene.Items())
            if (OfSdkType(*item, type)) ++*count;
        return LXe_OK;
    }
    LxResult ItemByIndex(LXtItemType type, unsigned index, void **ppvObj) override {
        for (const auto &item : m_host.scene.Items())
            if (OfSdkType(*item, type) && index-- == 0) return HandOut(new ItemObj(m_host, *item), ppvObj);
        return LXe_OUTOFBOUNDS;
    }
    LxResult ItemLookup(const char *ident, void **ppvObj) override {
        ItemData *item = ident ? m_host.scene.Find(ident) : nullptr;
        if (!item) return LXe_NOTFOUND;
        return HandOut(new ItemObj(m_host, *item), ppvObj);
    }
    LxResult ItemLookupIdent(const char *ident, void **ppvObj) override { return ItemLookup(ident, ppvObj); }
    LxResult ItemAdd(LXtItemType type, void **ppvObj) override {
        const int t = FromSdkType(type);
        ItemData *item = t >= 0 ? m_host.scene.AddItem(t) : nullptr;
        if (!item) return LXe_INVALIDARG;
        return HandOut(new ItemObj(m_host, *item), ppvObj);
    }
    LxResult ItemInstance(LXtObjectID source, void **ppvObj) override {
        ItemData *src = ItemOf(source);
        ItemData *item = src ? m_host.scene.AddInstance(*src) : nullptr;
        if (!item) return LXe_INVALIDARG;
        return HandOut(new ItemObj(m_host, *item), ppvObj);
    }
    /// One object reads and writes channels; the action layer's name does not matter here.
    LxResult Channels(const char *, double, void **ppvObj) override {
        return HandOut(new ChannelsObj(m_host), ppvObj);
    }

private:
    Host &m_host;
};

class SceneServiceObj final : public IfcSceneService {
public:
    LxResult ItemTypeLookup(const char *name, LXtItemType *type) override {
        int t = name ? ItemTypeCode(name) : -1;
        if (t < 0) return LXe_NOTFOUND;
        *type = ToSdkType(t);
        return LXe_OK;
    }
    LxResult ItemTypeName(LXtItemType type, const char **name) override {
        const int t = FromSdkType(type);
        if (t < 0) return LXe_NOTFOUND;
        *name = ItemTypes()[size_t(t)].name.c_str();
        return LXe_OK;
    }
    LxResult ItemTypeTest(LXtItemType what, LXtItemType isA) override {
        const int t = FromSdkType(what), base = FromSdkType(isA);
        if (t < 0) return LXe_NOTFOUND;
        return isA == LXiTYPE_ANY || (base >= 0 && ItemTypeIsA(t, base)) ? LXe_TRUE : LXe_FALSE;
    }
    LxResult Root(void **ppvObj) override {
        *ppvObj = NewSceneObject(CurrentHost());
        return LXe_OK;
    }
};

}  // namespace

// ---- items

bool ItemObj::Provides(const LXtGUID &iid) const {
    if (SameGuid(iid, IfcLocator::kGuid)) return m_item.type >= 0 && ItemTypes()[size_t(m_item.type)].locator;
    return true;
}

LXtItemType ItemObj::Type() {
    return ToSdkType(m_item.type);
}
/// LXe_TRUE (which is 0) when the item is of the type or derives from it.
LxResult ItemObj::TestType(LXtItemType type) {
    return OfSdkType(m_item, type) ? LXe_TRUE : LXe_FALSE;
}
/// LXe_TRUE (which is 0) when the item has the package.
LxResult ItemObj::PackageTest(const char *package) {
    if (!package) return LXe_INVALIDARG;
    if (std::strcmp(package, "mesh") == 0) return m_item.mesh ? LXe_TRUE : LXe_FALSE;
    if (std::strcmp(package, "locator") == 0)
        return ItemTypes()[size_t(m_item.type)].locator ? LXe_TRUE : LXe_FALSE;
    return LXe_FALSE;
}
LxResult ItemObj::Ident(const char **ident) {
    *ident = m_item.ident.c_str();
    return LXe_OK;
}
LxResult ItemObj::Name(const char **name) {
    *name = m_item.name.c_str();
    return LXe_OK;
}
LxResult ItemObj::SetName(const char *name) {
    if (!name) return LXe_INVALIDARG;
    m_host.scene.SetName(m_item, name);
    return LXe_OK;
}
LxResult ItemObj::Parent(void **ppvObj) {
    if (!m_item.parent) return LXe_NOTFOUND;
    return HandOut(new ItemObj(m_host, *m_item.parent), ppvObj);
}
LxResult ItemObj::SetParent(LXtObjectID parent) {
    ItemData *p = parent ? ItemOf(parent) : nullptr;
    if (parent && !p) return LXe_INVALIDARG;
    return m_host.scene.SetParent(m_item, p) ? LXe_OK : LXe_INVALIDARG;
}
LxResult ItemObj::SubCount(unsigned *count) {
    *count = unsigned(m_item.children.size());
    return LXe_OK;
}
LxResult ItemObj::SubByIndex(unsigned index, void **ppvObj) {
    if (index >= m_item.children.size()) return LXe_OUTOFBOUNDS;
    return HandOut(new ItemObj(m_host, *m_item.children[index]), ppvObj);
}
LxResult ItemObj::ChannelCount(unsigned *count) {
    *count = m_item.ChannelCount();
    return LXe_OK;
}
LxResult ItemObj::ChannelLookup(const char *name, unsigned *index) {
    int i = name ? m_item.ChannelIndex(name) : -1;
    if (i < 0) return LXe_NOTFOUND;
    *index = unsigned(i);
    return LXe_OK;
}
LxResult ItemObj::ChannelName(unsigned index, const char **name) {
    *name = m_item.ChannelName(index);
    return *name ? LXe_OK : LXe_OUTOFBOUNDS;
}
LxResult ItemObj::Context(void **ppvObj) {
    *ppvObj = NewSceneObject(m_host);
    return LXe_OK;
}

LxResult ItemObj::WorldTransform(LXtObjectID, LXtMatrix xfrm, LXtVector pos) {
    const Matrix4 world = m_item.WorldMatrix();
    for (int i = 0; i < 3; ++i) {
        pos[i] = world[3][i];
        for (int j = 0; j < 3; ++j) xfrm[i][j] = world[i][j];
    }
    return LXe_OK;
}

LxResult ItemObj::WorldTransform4(LXtObjectID, LXtMatrix4 xfrm4) {
    const Matrix4 world = m_item.WorldMatrix();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) xfrm4[i][j] = world[i][j];
    return LXe_OK;
}

LxResult ItemObj::SetPosition(LXtObjectID, LXtObjectID, const LXtVector pos, unsigned, unsigned) {
    static const char *names[3] = {"pos.X", "pos.Y", "pos.Z"};
    for (int i = 0; i < 3; ++i)
        if (!m_host.scene.SetChannel(m_item, unsigned(m_item.ChannelIndex(names[i])), pos[i]))
            return LXe_INVALIDARG;
    return LXe_OK;
}

LxResult ItemObj::SetRotation(LXtObjectID, LXtObjectID, const LXtMatrix m3, unsigned, unsigned) {
    // The matrix holds the item's axes as columns; stored transforms hold them as rows.
    double rows[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rows[i][j] = m3[j][i];
    auto euler = EulerFromRows(rows);
    static const char *names[3] = {"rot.X", "rot.Y", "rot.Z"};
    for (int i = 0; i < 3; ++i)
        if (!m_host.scene.SetChannel(m_item, unsigned(m_item.ChannelIndex(names[i])), euler[size_t(i)]))
            return LXe_INVALIDARG;
    return LXe_OK;
}

LxResult ItemObj::SetScale(LXtObjectID, LXtObjectID, const LXtMatrix4 m4, unsigned, unsigned) {
    static const char *names[3] = {"scl.X", "scl.Y", "scl.Z"};
    for (int i = 0; i < 3; ++i)
        if (!m_host.scene.SetChannel(m_item, unsigned(m_item.ChannelIndex(names[i])), m4[i][i]))
            return LXe_INVALIDARG;
    return LXe_OK;
}

ItemData *ItemOf(LXtObjectID itemObj) {
    ItemObj *item = HostSide<ItemObj>(itemObj);
    return item ? &item->Data() : nullptr;
}

LXtObjectID NewSceneObject(Host &host) {
    return (new SceneObj(host))->Hand();
}
LXtObjectID NewSceneService() {
    return (new SceneServiceObj)->Hand();
}

}  // namespace gorva::host
