// The selection service (types, counts, packets, select and deselect) and the packet translations
// that turn selection packets into meshes, items and elements.
#include <cstring>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

// ---- packet translations

LxResult MeshOut(Host &host, MeshData *mesh, void **ppvObj) {
    if (!mesh || !mesh->Owner()) return LXe_NOTFOUND;
    return HandOut(NewMeshObject(host, *mesh, false), ppvObj);
}

LxResult ItemOut(Host &host, MeshData *mesh, void **ppvObj) {
    if (!mesh || !mesh->Owner()) return LXe_NOTFOUND;
    return HandOut(new ItemObj(host, *mesh->Owner()), ppvObj);
}

/// MeshOf that remembers the last object: a selection sweep hands in the same mesh for every
/// element. Holds a reference to it, so its address cannot be reused by another object meanwhile.
class LastMeshOf {
public:
    LastMeshOf() = default;
    LastMeshOf(const LastMeshOf &) = delete;
    LastMeshOf &operator=(const LastMeshOf &) = delete;
    ~LastMeshOf() {
        if (m_obj) ObjRelease(m_obj);
    }
    MeshData *operator()(LXtObjectID meshObj) {
        if (meshObj == m_obj) return m_data;
        if (meshObj) ObjAddRef(meshObj);
        if (m_obj) ObjRelease(m_obj);
        m_obj = meshObj;
        m_data = MeshOf(meshObj);
        return m_data;
    }

private:
    LXtObjectID m_obj = nullptr;
    MeshData *m_data = nullptr;
};

class VertexTranslationObj final : public IfcVertexPacketTranslation {
public:
    explicit VertexTranslationObj(Host &h) : m_host(h) {}
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
    void *Packet(LXtPointID point, LXtPolygonID polygon, LXtObjectID mesh) override {
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

class EdgeTranslationObj final : public IfcEdgePacketTranslation {
public:
    explicit EdgeTranslationObj(Host &h) : m_host(h) {}
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
    void *Packet(LXtPointID a, LXtPointID b, LXtPolygonID polygon, LXtObjectID mesh) override {
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

class PolygonTranslationObj final : public IfcPolygonPacketTranslation {
public:
    explicit PolygonTranslationObj(Host &h) : m_host(h) {}
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
    void *Packet(LXtPolygonID polygon, LXtObjectID mesh) override {
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

class ItemTranslationObj final : public IfcItemPacketTranslation {
public:
    explicit ItemTranslationObj(Host &h) : m_host(h) {}
    LxResult Item(void *pkt, void **i) override {
        if (!pkt || !static_cast<ItemPacket *>(pkt)->item) return LXe_INVALIDARG;
        return HandOut(new ItemObj(m_host, *static_cast<ItemPacket *>(pkt)->item), i);
    }
    void *Packet(LXtObjectID item) override {
        ItemData *d = ItemOf(item);
        if (!d) return nullptr;
        m_packet = {d};
        return &m_packet;
    }

private:
    Host &m_host;
    ItemPacket m_packet{};
};

/// The packet of the one selected scene: the current host's scene.
struct ScenePacket {};
ScenePacket g_scenePacket;

class SceneTranslationObj final : public IfcScenePacketTranslation {
public:
    LxResult Scene(void *pkt, void **ppvObj) override {
        if (pkt != &g_scenePacket) return LXe_INVALIDARG;
        *ppvObj = NewSceneObject(CurrentHost());
        return LXe_OK;
    }
    void *Packet(LXtObjectID scene) override { return scene ? &g_scenePacket : nullptr; }
};

class SelectionServiceObj final : public IfcSelectionService {
public:
    LXtID4 LookupType(const char *name) override {
        int t = SelTypeFromName(name);
        return t < 0 ? 0 : SelTypeCode(SelType(t));
    }
    const char *LookupName(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        return t < 0 ? nullptr : SelTypeName(SelType(t));
    }
    LXtID4 CurrentType(const LXtID4 *types) override { return CurrentHost().selection.CurrentType(types); }
    /// The number of selected elements of a type; -1 for a type the host does not know.
    int Count(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t == kSelScene) return 1;
        return t < 0 ? -1 : int(CurrentHost().selection.Count(SelType(t)));
    }
    void *ByIndex(LXtID4 type, unsigned index) override {
        int t = SelTypeFromCode(type);
        if (t == kSelScene) return index == 0 ? &g_scenePacket : nullptr;
        return t < 0 ? nullptr : CurrentHost().selection.ByIndex(SelType(t), index);
    }
    /// The most recently selected element of a type: the last in selection order.
    void *Recent(LXtID4 type) override {
        const int n = Count(type);
        return n > 0 ? ByIndex(type, unsigned(n - 1)) : nullptr;
    }
    LxResult Select(LXtID4 type, void *pkt) override { return Change(type, pkt, true); }
    LxResult Deselect(LXtID4 type, void *pkt) override { return Change(type, pkt, false); }
    LxResult Test(LXtID4 type, void *pkt) override;
    LxResult Clear(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t < 0) return LXe_NOTFOUND;
        CurrentHost().selection.Clear(SelType(t));
        return LXe_OK;
    }
    LxResult Drop(LXtID4 type) override {
        int t = SelTypeFromCode(type);
        if (t < 0) return LXe_NOTFOUND;
        CurrentHost().selection.Drop(SelType(t));
        return LXe_OK;
    }
    double GetTime() override { return CurrentHost().time; }
    LxResult Allocate(const char *typeName, void **ppvObj) override {
        switch (SelTypeFromName(typeName)) {
            case kSelVertex:
                return HandOut(new VertexTranslationObj(CurrentHost()), ppvObj);
            case kSelEdge:
                return HandOut(new EdgeTranslationObj(CurrentHost()), ppvObj);
            case kSelPolygon:
                return HandOut(new PolygonTranslationObj(CurrentHost()), ppvObj);
            case kSelItem:
                return HandOut(new ItemTranslationObj(CurrentHost()), ppvObj);
            case kSelScene:
                return HandOut(new SceneTranslationObj, ppvObj);
            default:
                return LXe_NOTFOUND;
        }
    }

private:
    LxResult Change(LXtID4 type, void *pkt, bool select);
};

LxResult SelectionServiceObj::Change(LXtID4 type, void *pkt, bool select) {
    if (!pkt) return LXe_INVALIDARG;
    Selection &sel = CurrentHost().selection;
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
            return (p->mesh->PointMarks()[p->point] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelEdge: {
            auto *p = static_cast<EdgePacket *>(pkt);
            return (p->mesh->MarksOf(1)[p->edge] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelPolygon: {
            auto *p = static_cast<PolygonPacket *>(pkt);
            return (p->mesh->PolygonMarks()[p->polygon] & kMarkSelect) ? LXe_TRUE : LXe_FALSE;
        }
        case kSelItem:
            return CurrentHost().selection.IsItemSelected(*static_cast<ItemPacket *>(pkt)->item) ? LXe_TRUE
                                                                                                 : LXe_FALSE;
        default:
            return LXe_NOTFOUND;
    }
}

}  // namespace

LXtObjectID NewSelectionService() {
    return (new SelectionServiceObj)->Hand();
}

}  // namespace gorva::host
