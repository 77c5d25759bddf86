// Scene, items, channels, locators, the selection service and its packet translations.
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

// ---- packet translations

LxResult MeshOut(Host &host, MeshData *mesh, void **ppvObj) {
    if (!mesh || !mesh->owner) return LXe_NOTFOUND;
    return HandOut(NewMeshObject(host, *mesh, false), ppvObj);
}

LxResult ItemOut(Host &host, MeshData *mesh, void **ppvObj) {
    if (!mesh || !mesh->owner) return LXe_NOTFOUND;
    return HandOut(new HostItem(host, *mesh->owner), ppvObj);
}

/// MeshOf that remembers the last object: a selection sweep hands in the same mesh for every
/// element. Holds a reference to it, so its address cannot be reused by another object meanwhile.
class LastMeshOf {
public:
    LastMeshOf() = default;
    LastMeshOf(const LastMeshOf &) = delete;
    LastMeshOf &operator=(const LastMeshOf &) = delete;
    ~LastMeshOf() {
        if (m_obj) m_obj->Release();
    }
    MeshData *operator()(ILxUnknownID meshObj) {
        if (meshObj == m_obj) return m_data;
        if (meshObj) meshObj->AddRef();
        if (m_obj) m_obj->Release();
        m_obj = meshObj;
        m_data = MeshOf(meshObj);
        return m_data;
    }

private:
    ILxUnknownID m_obj = nullptr;
    MeshData *m_data = nullptr;
};

class VertexTranslation final : public HostObject<VertexTranslation, ILxVertexPacketTranslation> {
public:
    explicit VertexTranslation(Host &h) : m_host(h) {}
    LxResult Vertex(void *pkt, LXtPointID *p) override {
        if (!pkt) return LXe_INVALIDARG;
        *p = ToId<LXtPointID>(static_cast<VertexPacket *>(pkt)->point);
        return LXe_OK;
    }
    LxResult Polygon(void *pkt, LXtPolygonID *p) override {
        if (!pkt) return LXe_INVALIDARG;
        uint32_t poly = static_cast<VertexPacket *>(pkt)->polygon;
        *p = poly == MeshData::kNone ? nullptr : ToId<LXtPolygonID>(poly);
        return LXe_OK;
    }
    LxResult Mesh(void *pkt, void **m) override {
        return pkt ? MeshOut(m_host, static_cast<VertexPacket *>(pkt)->mesh, m) : LXe_INVALIDARG;
    }
    LxResult Item(void *pkt, void **i) override {
        return pkt ? ItemOut(m_host, static_cast<VertexPacket *>(pkt)->mesh, i) : LXe_INVALIDARG;
    }
    void *Packet(LXtPointID point, LXtPolygonID polygon, ILxUnknownID mesh) override {
        MeshData *m = m_meshOf(mesh);
        if (!m || FromId(point) >= m->PointCount()) return nullptr;
        m_packet = {m, FromId(point), FromId(polygon)};
        return &m_packet;
    }

private:
    Host &m_host;
    VertexPacket m_packet{};
    LastMeshOf m_meshOf;
};

class EdgeTranslation final : public HostObject<EdgeTranslation, ILxEdgePacketTranslation> {
public:
    explicit EdgeTranslation(Host &h) : m_host(h) {}
    LxResult Vertices(void *pkt, LXtPointID *a, LXtPointID *b) override {
        if (!pkt) return LXe_INVALIDARG;
        auto *e = static_cast<EdgePacket *>(pkt);
        if (a) *a = ToId<LXtPointID>(e->a);
        if (b) *b = ToId<LXtPointID>(e->b);
        return LXe_OK;
    }
    LxResult Polygon(void *pkt, LXtPolygonID *p) override {
        if (!pkt) return LXe_INVALIDARG;
        uint32_t poly = static_cast<EdgePacket *>(pkt)->polygon;
        *p = poly == MeshData::kNone ? nullptr : ToId<LXtPolygonID>(poly);
        return LXe_OK;
    }
    LxResult Mesh(void *pkt, void **m) override {
        return pkt ? MeshOut(m_host, static_cast<EdgePacket *>(pkt)->mesh, m) : LXe_INVALIDARG;
    }
    LxResult Item(void *pkt, void **i) override {
        return pkt ? ItemOut(m_host, static_cast<EdgePacket *>(pkt)->mesh, i) : LXe_INVALIDARG;
    }
    void *Packet(LXtPointID a, LXtPointID b, LXtPolygonID polygon, ILxUnknownID mesh) override {
        MeshData *m = m_meshOf(mesh);
        if (!m) return nullptr;
        uint32_t edge = m->FindEdge(FromId(a), FromId(b));
        if (edge == MeshData::kNone) return nullptr;
        m_packet = {m, FromId(a), FromId(b), FromId(polygon), edge};
        return &m_packet;
    }

private:
    Host &m_host;
    EdgePacket m_packet{};
    LastMeshOf m_meshOf;
};

class PolygonTranslation final : public HostObject<PolygonTranslation, ILxPolygonPacketTranslation> {
public:
    explicit PolygonTranslation(Host &h) : m_host(h) {}
    LxResult Polygon(void *pkt, LXtPolygonID *p) override {
        if (!pkt) return LXe_INVALIDARG;
        *p = ToId<LXtPolygonID>(static_cast<PolygonPacket *>(pkt)->polygon);
        return LXe_OK;
    }
    LxResult Mesh(void *pkt, void **m) override {
        return pkt ? MeshOut(m_host, static_cast<PolygonPacket *>(pkt)->mesh, m) : LXe_INVALIDARG;
    }
    LxResult Item(void *pkt, void **i) override {
        return pkt ? ItemOut(m_host, static_cast<PolygonPacket *>(pkt)->mesh, i) : LXe_INVALIDARG;
    }
    void *Packet(LXtPolygonID polygon, ILxUnknownID mesh) override {
        MeshData *m = m_meshOf(mesh);
        if (!m || FromId(polygon) >= m->PolygonCount()) return nullptr;
        m_packet = {m, FromId(polygon)};
        return &m_packet;
    }

private:
    Host &m_host;
    PolygonPacket m_packet{};
    LastMeshOf m_meshOf;
};

class ItemTranslation final : public HostObject<ItemTranslation, ILxItemPacketTranslation> {
public:
    explicit ItemTranslation(Host &h) : m_host(h) {}
    LxResult Item(void *pkt, void **i) override {
        if (!pkt || !static_cast<ItemPacket *>(pkt)->item) return LXe_INVALIDARG;
        return HandOut(new HostItem(m_host, *static_cast<ItemPacket *>(pkt)->item), i);
    }
    void *Packet(ILxUnknownID item) override {
        ItemData *d = ItemOf(item);
        if (!d) return nullptr;
        m_packet = {d};
        return &m_packet;
    }

private:
    Host &m_host;
    ItemPacket m_packet{};
};

class SelectionServiceObj final : public HostObject<SelectionServiceObj, ILxSelectionService> {
public:
    SelectionServiceObj(Host &h, ILxUnknownID scene) : m_host(h), m_scene(scene) {}
    LXtID4 LookupType(const char *name) override {
        int t = SelTypeFromName(name);
        return t < 0 ? 0 : SelTypeCode(SelType(t));
    }
    LxResult LookupName(LXtID4 type, const char **name) override {
        int t = SelTypeFromCode(type);
        if (t < 0) return LXe_NOTFOUND;
        *name = SelTypeName(SelType(t));
        return LXe_OK;
    }
    LXtID4 CurrentType(const LXtID4 *types) override { return m_host.selection.CurrentType(types); }
    unsigned Count(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t == kSelScene) return 1;
        return t < 0 ? 0 : m_host.selection.Count(SelType(t));
    }
    void *ByIndex(LXtID4 type, unsigned index) override {
        int t = SelTypeFromCode(type);
        if (t == kSelScene) return index == 0 ? static_cast<void *>(m_scene) : nullptr;
        return t < 0 ? nullptr : m_host.selection.ByIndex(SelType(t), index);
    }
    LxResult Select(LXtID4 type, void *pkt) override { return Change(type, pkt, true); }
    LxResult Deselect(LXtID4 type, void *pkt) override { return Change(type, pkt, false); }
    LxResult Test(LXtID4 type, void *pkt) override;
    LxResult Clear(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t < 0) return LXe_NOTFOUND;
        m_host.selection.Clear(SelType(t));
        return LXe_OK;
    }
    LxResult Drop(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t < 0) return LXe_NOTFOUND;
        m_host.selection.Drop(SelType(t));
        return LXe_OK;
    }
    double GetTime() override { return m_host.time; }
    LxResult Allocate(const char *typeName, void **ppvObj) override {
        switch (SelTypeFromName(typeName)) {
            case kSelVertex:
                return HandOut(new VertexTranslation(m_host), ppvObj);
            case kSelEdge:
                return HandOut(new EdgeTranslation(m_host), ppvObj);
            case kSelPolygon:
                return HandOut(new PolygonTranslation(m_host), ppvObj);
            case kSelItem:
                return HandOut(new ItemTranslation(m_host), ppvObj);
            default:
                return LXe_NOTFOUND;
        }
    }

private:
    LxResult Change(LXtID4 type, void *pkt, bool select);
    Host &m_host;
    ILxUnknownID m_scene;
};

LxResult SelectionServiceObj::Change(LXtID4 type, void *pkt, bool select) {
    if (!pkt) return LXe_INVALIDARG;
    Selection &sel = m_host.selection;
    bool ok = false;
    switch (SelTypeFromCode(type)) {
        case kSelVertex: {
            auto *p = static_cast<VertexPacket *>(pkt);
            ok = select ? sel.SelectVertex(*p->mesh, p->point, p->polygon)
                        : sel.DeselectVertex(*p->mesh, p->point);
            break;
        }
        case kSelEdge: {
            auto *p = static_cast<EdgePacket *>(pkt);
            ok = select ? sel.SelectEdge(*p->mesh, p->a, p->b, p->polygon, p->edge)
                        : sel.DeselectEdge(*p->mesh, p->a, p->b);
            break;
        }
        case kSelPolygon: {
            auto *p = static_cast<PolygonPacket *>(pkt);
            ok = select ? sel.SelectPolygon(*p->mesh, p->polygon) : sel.DeselectPolygon(*p->mesh, p->polygon);
            break;
        }
        case kSelItem: {
            auto *p = static_cast<ItemPacket *>(pkt);
            ok = select ? sel.SelectItem(*p->item) : sel.DeselectItem(*p->item);
            break;
        }
        default:
            return LXe_NOTFOUND;
    }
    return ok ? LXe_OK : LXe_FALSE;
}

LxResult SelectionServiceObj::Test(LXtID4 type, void *pkt) {
    if (!pkt) return LXe_INVALIDARG;
    switch (SelTypeFromCode(type)) {
        case kSelVertex: {
            auto *p = static_cast<VertexPacket *>(pkt);
            return (p->mesh->pointMarks[p->point] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelEdge: {
            auto *p = static_cast<EdgePacket *>(pkt);
            return (p->mesh->MarksOf(1)[p->edge] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelPolygon: {
            auto *p = static_cast<PolygonPacket *>(pkt);
            return (p->mesh->polyMarks[p->polygon] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelItem:
            return m_host.selection.IsItemSelected(*static_cast<ItemPacket *>(pkt)->item) ? LXe_TRUE
                                                                                          : LXe_FALSE;
        default:
            return LXe_NOTFOUND;
    }
}

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
ILxUnknownID NewSelectionService(Host &host, ILxUnknownID scene) {
    return static_cast<ILxSelectionService *>(new SelectionServiceObj(host, scene));
}

}  // namespace gorva::host
