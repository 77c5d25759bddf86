// The scene, its items and locators, channel reads and writes, and matrix channels.
#include <cmath>
#include <cstring>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class MatrixObj final : public HostObject<MatrixObj, ILxMatrix> {
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

class ChannelReadObj final : public HostObject<ChannelReadObj, ILxChannelRead> {
public:
    LxResult Double(ILxUnknownID item, unsigned chan, double *v) override {
        ItemData *d = ItemOf(item);
        if (!d || chan >= d->channelValues.size()) return LXe_NOTFOUND;
        *v = d->channelValues[chan];
        return LXe_OK;
    }
    LxResult Integer(ILxUnknownID item, unsigned chan, int *v) override {
        double d = 0.0;
        LxResult r = Double(item, chan, &d);
        if (LXx_OK(r)) *v = int(std::lround(d));
        return r;
    }
    LxResult String(ILxUnknownID, unsigned, const char **) override { return LXe_NOTIMPL; }
    LxResult ValueObj(ILxUnknownID item, unsigned chan, void **ppvObj) override {
        ItemData *d = ItemOf(item);
        if (!d) return LXe_NOTFOUND;
        MatrixChannel which = d->MatrixOf(chan);
        if (which == MatrixChannel::None) return LXe_NOTFOUND;
        return HandOut(new MatrixObj(d->MatrixChannelValue(which)), ppvObj);
    }
};

class ChannelWriteObj final : public HostObject<ChannelWriteObj, ILxChannelWrite> {
public:
    explicit ChannelWriteObj(Host &h) : m_host(h) {}
    LxResult Double(ILxUnknownID item, unsigned chan, double v) override {
        ItemData *d = ItemOf(item);
        if (!d) return LXe_NOTFOUND;
        return m_host.scene.SetChannel(*d, chan, v) ? LXe_OK : LXe_INVALIDARG;
    }
    LxResult Integer(ILxUnknownID item, unsigned chan, int v) override {
        return Double(item, chan, double(v));
    }
    LxResult String(ILxUnknownID, unsigned, const char *) override { return LXe_NOTIMPL; }

private:
    Host &m_host;
};

class SceneObj final : public HostObject<SceneObj, ILxScene> {
public:
    explicit SceneObj(Host &h) : m_host(h) {}
    LxResult ItemCount(LXtItemType type, unsigned *count) override {
        *count = 0;
        for (const auto &item : m_host.scene.Items())
            if (ItemTypeIsA(item->type, type)) ++*count;
        return LXe_OK;
    }
    LxResult ItemByIndex(LXtItemType type, unsigned index, void **ppvObj) override {
        for (const auto &item : m_host.scene.Items())
            if (ItemTypeIsA(item->type, type) && index-- == 0)
                return HandOut(new HostItem(m_host, *item), ppvObj);
        return LXe_OUTOFBOUNDS;
    }
    LxResult ItemLookup(const char *ident, void **ppvObj) override {
        ItemData *item = ident ? m_host.scene.Find(ident) : nullptr;
        if (!item) return LXe_NOTFOUND;
        return HandOut(new HostItem(m_host, *item), ppvObj);
    }
    LxResult ItemAdd(LXtItemType type, void **ppvObj) override {
        ItemData *item = m_host.scene.AddItem(type);
        if (!item) return LXe_INVALIDARG;
        return HandOut(new HostItem(m_host, *item), ppvObj);
    }
    LxResult ItemInstance(ILxUnknownID source, void **ppvObj) override {
        ItemData *src = ItemOf(source);
        ItemData *item = src ? m_host.scene.AddInstance(*src) : nullptr;
        if (!item) return LXe_INVALIDARG;
        return HandOut(new HostItem(m_host, *item), ppvObj);
    }
    LxResult GetChannels(double, void **ppvObj) override { return HandOut(new ChannelReadObj, ppvObj); }
    LxResult SetChannels(const char *, double, void **ppvObj) override {
        return HandOut(new ChannelWriteObj(m_host), ppvObj);
    }

private:
    Host &m_host;
};

class SceneServiceObj final : public HostObject<SceneServiceObj, ILxSceneService> {
public:
    LxResult ItemTypeLookup(const char *name, LXtItemType *type) override {
        int t = name ? ItemTypeCode(name) : -1;
        if (t < 0) return LXe_NOTFOUND;
        *type = t;
        return LXe_OK;
    }
    LxResult ItemTypeName(LXtItemType type, const char **name) override {
        if (type < 0 || size_t(type) >= ItemTypes().size()) return LXe_NOTFOUND;
        *name = ItemTypes()[size_t(type)].name.c_str();
        return LXe_OK;
    }
};

}  // namespace

// ---- items

bool HostItem::Provides(const char *iid) const {
    if (std::strcmp(iid, ILxLocator::IID) == 0)
        return m_item.type >= 0 && ItemTypes()[size_t(m_item.type)].locator;
    return true;
}

LxResult HostItem::Type(LXtItemType *type) {
    *type = m_item.type;
    return LXe_OK;
}
LxResult HostItem::TestType(LXtItemType type) {
    return m_item.type == type ? LXe_TRUE : LXe_FALSE;
}
LxResult HostItem::IsA(LXtItemType type) {
    return ItemTypeIsA(m_item.type, type) ? LXe_TRUE : LXe_FALSE;
}
LxResult HostItem::PackageTest(const char *package) {
    if (!package) return LXe_INVALIDARG;
    if (std::strcmp(package, "mesh") == 0) return m_item.mesh ? LXe_OK : LXe_FALSE;
    if (std::strcmp(package, "locator") == 0)
        return ItemTypes()[size_t(m_item.type)].locator ? LXe_OK : LXe_FALSE;
    return LXe_FALSE;
}
LxResult HostItem::Ident(const char **ident) {
    *ident = m_item.ident.c_str();
    return LXe_OK;
}
LxResult HostItem::Name(const char **name) {
    *name = m_item.name.c_str();
    return LXe_OK;
}
LxResult HostItem::SetName(const char *name) {
    if (!name) return LXe_INVALIDARG;
    m_host.scene.SetName(m_item, name);
    return LXe_OK;
}
LxResult HostItem::Parent(void **ppvObj) {
    if (!m_item.parent) return LXe_NOTFOUND;
    return HandOut(new HostItem(m_host, *m_item.parent), ppvObj);
}
LxResult HostItem::SetParent(ILxUnknownID parent) {
    ItemData *p = parent ? ItemOf(parent) : nullptr;
    if (parent && !p) return LXe_INVALIDARG;
    return m_host.scene.SetParent(m_item, p) ? LXe_OK : LXe_INVALIDARG;
}
LxResult HostItem::SubCount(unsigned *count) {
    *count = unsigned(m_item.children.size());
    return LXe_OK;
}
LxResult HostItem::SubByIndex(unsigned index, void **ppvObj) {
    if (index >= m_item.children.size()) return LXe_OUTOFBOUNDS;
    return HandOut(new HostItem(m_host, *m_item.children[index]), ppvObj);
}
LxResult HostItem::ChannelCount(unsigned *count) {
    *count = m_item.ChannelCount();
    return LXe_OK;
}
LxResult HostItem::ChannelLookup(const char *name, unsigned *index) {
    int i = name ? m_item.ChannelIndex(name) : -1;
    if (i < 0) return LXe_NOTFOUND;
    *index = unsigned(i);
    return LXe_OK;
}
LxResult HostItem::ChannelName(unsigned index, const char **name) {
    *name = m_item.ChannelName(index);
    return *name ? LXe_OK : LXe_OUTOFBOUNDS;
}
LxResult HostItem::Context(void **scene) {
    ILxUnknownID obj = NewSceneObject(m_host);
    *scene = obj;
    return LXe_OK;
}

LxResult HostItem::SetPosition(ILxUnknownID, ILxUnknownID, const LXtVector pos, unsigned, unsigned) {
    static const char *names[3] = {"pos.X", "pos.Y", "pos.Z"};
    for (int i = 0; i < 3; ++i)
        if (!m_host.scene.SetChannel(m_item, unsigned(m_item.ChannelIndex(names[i])), pos[i]))
            return LXe_INVALIDARG;
    return LXe_OK;
}

LxResult HostItem::SetRotation(ILxUnknownID, ILxUnknownID, const LXtMatrix m3, unsigned, unsigned) {
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

LxResult HostItem::SetScale(ILxUnknownID, ILxUnknownID, const LXtMatrix4 m4, unsigned, unsigned) {
    static const char *names[3] = {"scl.X", "scl.Y", "scl.Z"};
    for (int i = 0; i < 3; ++i)
        if (!m_host.scene.SetChannel(m_item, unsigned(m_item.ChannelIndex(names[i])), m4[i][i]))
            return LXe_INVALIDARG;
    return LXe_OK;
}

ItemData *ItemOf(ILxUnknownID itemObj) {
    HostItem *item = HostSide<HostItem>(itemObj);
    return item ? &item->Data() : nullptr;
}

ILxUnknownID NewSceneObject(Host &host) {
    return static_cast<ILxScene *>(new SceneObj(host));
}
ILxUnknownID NewSceneService() {
    return static_cast<ILxSceneService *>(new SceneServiceObj);
}

}  // namespace gorva::host
