// Meshes as plug-ins see them: the mesh object, its point, polygon, edge and map accessors, and the
// mesh service (mark modes).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

#include "host/bridge/glue/glue_value.hpp"
#include "host/bridge/services.hpp"

#include <lxvalue.h>

namespace gorva::host {

namespace {

/// True when a position can be stored: finite and within single precision's range (a larger value
/// would become infinite in the mesh).
bool FitsSinglePrecision(const LXtVector pos) {
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(pos[i]) <= double(FLT_MAX))) return false;
    return true;
}

const LXtGUID &VisitorGuid() {
    static const LXtGUID g = GuidFromString(LXu_VISITOR);
    return g;
}

/// Calls the visitor on each element of `order` that passes the mode, positioning `cursor` on it first.
template <class Order>
LxResult Walk(const Order &order, const std::vector<uint32_t> &marks, LXtMarkMode mode,
              LXtObjectID visitorObj, uint32_t &cursor) {
    ComRef visitor(visitorObj ? ObjQuery(visitorObj, VisitorGuid()) : nullptr);
    if (!visitor) return LXe_INVALIDARG;
    MarkMode m = MarkMode::Decode(mode);
    bool any = m.set == 0 && m.clear == 0;
    for (uint32_t i : order) {
        if (!any && !m.Test(marks[i])) continue;
        cursor = i;
        LxResult r = visitor.Call(&ILxVisitor::Evaluate);
        if (LXx_FAIL(r)) return r;
    }
    return LXe_OK;
}

/// The indices 0..count-1 as a range, so that a full walk needs no list.
struct AllIndices {
    struct Iterator {
        uint32_t i;
        uint32_t operator*() const { return i; }
        Iterator &operator++() { return ++i, *this; }
        bool operator!=(const Iterator &o) const { return i != o.i; }
    };
    uint32_t count;
    Iterator begin() const { return {0}; }
    Iterator end() const { return {count}; }
};

/// Share of the elements up to which sorting the selection list beats testing every mark: sorting
/// k entries costs about k log k comparisons against one cheap mark test per element.
constexpr uint32_t kSparseSelectionShare = 128;

/// The selection's entries of a kind on one mesh, as element indices ascending and without repeats.
std::vector<uint32_t> SelectedIndices(Selection &selection, SelType type, const MeshData &mesh) {
    std::vector<uint32_t> out;
    if (type == kSelVertex)
        for (const VertexPacket &p : selection.Vertices())
            if (p.mesh == &mesh) out.push_back(p.point);
    if (type == kSelEdge)
        for (const EdgePacket &p : selection.EdgeList())
            if (p.mesh == &mesh) out.push_back(p.edge);
    if (type == kSelPolygon)
        for (const PolygonPacket &p : selection.Polygons())
            if (p.mesh == &mesh) out.push_back(p.polygon);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

/// Walks the elements of one kind in index order. A mode that requires the "select" mark visits
/// only the selection's entries for this mesh when they are far fewer than the elements (the
/// reference passes of the select commands on a large mesh), instead of testing every mark.
LxResult WalkElements(uint32_t count, const std::vector<uint32_t> &marks, LXtMarkMode mode,
                      LXtObjectID visitor, uint32_t &cursor, Selection &selection, SelType type,
                      const MeshData &mesh) {
    const bool selectedOnly = (MarkMode::Decode(mode).set & kMarkSelect) != 0;
    if (!selectedOnly || selection.Count(type) >= count / kSparseSelectionShare)
        return Walk(AllIndices{count}, marks, mode, visitor, cursor);
    std::vector<uint32_t> order = SelectedIndices(selection, type, mesh);
    order.erase(std::lower_bound(order.begin(), order.end(), count), order.end());
    return Walk(order, marks, mode, visitor, cursor);
}

/// Applies a mark mode to one element; the select mark goes through the selection.
template <class SelectFn, class DeselectFn>
LxResult ApplyMarks(MeshData &mesh, int kind, uint32_t element, LXtMarkMode mode, SelectFn select,
                    DeselectFn deselect) {
    MarkMode m = MarkMode::Decode(mode);
    mesh.ChangeMarks(kind, element, m.set, m.clear);
    if (m.set & kMarkSelect) select();
    if (m.clear & kMarkSelect) deselect();
    return LXe_OK;
}

class PointAccessorObj final : public IfcPoint {
public:
    PointAccessorObj(Host &h, std::shared_ptr<MeshData> m, bool w)
        : m_host(h), m_mesh(std::move(m)), m_writable(w) {}
    LxResult Select(LXtPointID p) override { return SelectByIndex(FromId(p)); }
    LxResult SelectByIndex(unsigned i) override {
        if (i >= m_mesh->PointCount()) return LXe_OUTOFBOUNDS;
        m_cur = i;
        return LXe_OK;
    }
    LXtPointID ID() override { return Valid() ? ToId<LXtPointID>(m_cur) : nullptr; }
    LxResult Index(unsigned *i) override {
        if (!Valid()) return LXe_NOTFOUND;
        *i = m_cur;
        return LXe_OK;
    }
    LxResult Pos(LXtFVector pos) override {
        if (!Valid()) return LXe_NOTFOUND;
        // One block copy: the caller's wide reads of `pos` then forward from the stores.
        std::memcpy(pos, m_mesh->Positions()[m_cur].data(), sizeof(LXtFVector));
        return LXe_OK;
    }
    LxResult SetPos(const LXtVector pos) override {
        if (!Valid()) return LXe_NOTFOUND;
        if (!m_writable) return LXe_NOTAVAILABLE;
        if (!FitsSinglePrecision(pos)) return LXe_INVALIDARG;
        m_mesh->SetPosition(m_cur, {float(pos[0]), float(pos[1]), float(pos[2])});
        return LXe_OK;
    }
    LxResult New(const LXtVector pos, LXtPointID *point) override {
        if (!m_writable) return LXe_NOTAVAILABLE;
        if (!FitsSinglePrecision(pos)) return LXe_INVALIDARG;
        m_cur = m_mesh->AddPoint({float(pos[0]), float(pos[1]), float(pos[2])});
        if (point) *point = ToId<LXtPointID>(m_cur);
        return LXe_OK;
    }
    LxResult PolygonCount(unsigned *count) override {
        if (!Valid()) return LXe_NOTFOUND;
        const auto &start = m_mesh->PointPolygonStart();
        *count = start[m_cur + 1] - start[m_cur];
        return LXe_OK;
    }
    LxResult PolygonByIndex(unsigned index, LXtPolygonID *polygon) override {
        unsigned n = 0;
        if (LXx_FAIL(PolygonCount(&n)) || index >= n) return LXe_OUTOFBOUNDS;
        *polygon = ToId<LXtPolygonID>(m_mesh->PointPolygons()[m_mesh->PointPolygonStart()[m_cur] + index]);
        return LXe_OK;
    }
    LxResult TestMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        return MarkMode::Decode(mode).Test(m_mesh->PointMarks()[m_cur]) ? LXe_TRUE : LXe_FALSE;
    }
    LxResult SetMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        uint32_t i = m_cur;
        MeshData &mesh = *m_mesh;
        return ApplyMarks(
            mesh, 0, i, mode, [&] { m_host.selection.SelectVertex(mesh, i); },
            [&] { m_host.selection.DeselectVertex(mesh, i); });
    }
    LxResult Enumerate(LXtMarkMode mode, LXtObjectID visitor, LXtObjectID) override {
        return WalkElements(m_mesh->PointCount(), m_mesh->PointMarks(), mode, visitor, m_cur,
                            m_host.selection, kSelVertex, *m_mesh);
    }

private:
    bool Valid() const { return m_cur < m_mesh->PointCount(); }
    Host &m_host;
    std::shared_ptr<MeshData> m_mesh;
    bool m_writable;
    uint32_t m_cur = MeshData::kNone;
};

class PolygonAccessorObj final : public IfcPolygon, public IfcStringTag {
public:
    PolygonAccessorObj(Host &h, std::shared_ptr<MeshData> m, bool w)
        : m_host(h), m_mesh(std::move(m)), m_writable(w) {}
    LxResult Select(LXtPolygonID p) override { return SelectByIndex(FromId(p)); }
    LxResult SelectByIndex(unsigned i) override {
        if (i >= m_mesh->PolygonCount()) return LXe_OUTOFBOUNDS;
        m_cur = i;
        return LXe_OK;
    }
    LXtPolygonID ID() override { return Valid() ? ToId<LXtPolygonID>(m_cur) : nullptr; }
    LxResult Index(int *i) override {
        if (!Valid()) return LXe_NOTFOUND;
        *i = int(m_cur);
        return LXe_OK;
    }
    LxResult Type(LXtID4 *type) override {
        if (!Valid()) return LXe_NOTFOUND;
        *type = m_mesh->PolygonType(m_cur);
        return LXe_OK;
    }
    LxResult VertexCount(unsigned *count) override {
        if (!Valid()) return LXe_NOTFOUND;
        *count = m_mesh->VertexCount(m_cur);
        return LXe_OK;
    }
    LxResult VertexByIndex(unsigned index, LXtPointID *point) override {
        if (!Valid() || index >= m_mesh->VertexCount(m_cur)) return LXe_OUTOFBOUNDS;
        *point = ToId<LXtPointID>(m_mesh->Vertices(m_cur)[index]);
        return LXe_OK;
    }
    LxResult Normal(LXtVector normal) override {
        if (!Valid()) return LXe_NOTFOUND;
        auto n = m_mesh->PolygonNormal(m_cur);
        normal[0] = n[0], normal[1] = n[1], normal[2] = n[2];
        return LXe_OK;
    }
    LxResult New(LXtID4 type, const LXtPointID *vertices, unsigned count, unsigned reversed,
                 LXtPolygonID *polygon) override {
        if (!m_writable) return LXe_NOTAVAILABLE;
        if (!vertices || count == 0) return LXe_INVALIDARG;
        std::vector<uint32_t> verts(count);
        for (unsigned i = 0; i < count; ++i) verts[reversed ? count - 1 - i : i] = FromId(vertices[i]);
        uint32_t p = m_mesh->AddPolygon(type, verts.data(), count);
        if (p == MeshData::kNone) return LXe_INVALIDARG;
        m_cur = p;
        if (polygon) *polygon = ToId<LXtPolygonID>(p);
        return LXe_OK;
    }
    LxResult MapValue(LXtMeshMapID map, LXtPointID point, float *value) override {
        uint32_t corner = Corner(point), m = FromId(map);
        if (corner == MeshData::kNone || m >= m_mesh->MapCount()) return LXe_NOTFOUND;
        return m_mesh->MapValue(m, corner, value) ? LXe_OK : LXe_FALSE;
    }
    LxResult SetMapValue(LXtPointID point, LXtMeshMapID map, const float *value) override {
        if (!m_writable) return LXe_NOTAVAILABLE;
        uint32_t corner = Corner(point), m = FromId(map);
        if (corner == MeshData::kNone || m >= m_mesh->MapCount()) return LXe_NOTFOUND;
        for (unsigned k = 0; k < m_mesh->Map(m).Dim(); ++k)
            if (!std::isfinite(value[k])) return LXe_INVALIDARG;  // a saved file could not hold it
        m_mesh->SetMapValue(m, corner, value);
        return LXe_OK;
    }
    LxResult TestMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        return MarkMode::Decode(mode).Test(m_mesh->PolygonMarks()[m_cur]) ? LXe_TRUE : LXe_FALSE;
    }
    LxResult SetMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        uint32_t i = m_cur;
        MeshData &mesh = *m_mesh;
        return ApplyMarks(
            mesh, 2, i, mode, [&] { m_host.selection.SelectPolygon(mesh, i); },
            [&] { m_host.selection.DeselectPolygon(mesh, i); });
    }
    LxResult Enumerate(LXtMarkMode mode, LXtObjectID visitor, LXtObjectID) override {
        return WalkElements(m_mesh->PolygonCount(), m_mesh->PolygonMarks(), mode, visitor, m_cur,
                            m_host.selection, kSelPolygon, *m_mesh);
    }
    // String tags of the current polygon.
    LxResult Get(LXtID4 type, const char **tag) override {
        if (!Valid()) return LXe_NOTFOUND;
        *tag = m_mesh->Tag(m_cur, type);
        return *tag ? LXe_OK : LXe_NOTFOUND;
    }
    LxResult Set(LXtID4 type, const char *tag) override {
        if (!Valid()) return LXe_NOTFOUND;
        if (!m_writable) return LXe_NOTAVAILABLE;
        m_mesh->SetTag(m_cur, type, tag);
        return LXe_OK;
    }

private:
    bool Valid() const { return m_cur < m_mesh->PolygonCount(); }
    uint32_t Corner(LXtPointID point) const {
        if (!Valid()) return MeshData::kNone;
        uint32_t p = FromId(point);
        for (uint32_t c = m_mesh->FirstCorner(m_cur); c < m_mesh->FirstCorner(m_cur + 1); ++c)
            if (m_mesh->Corners()[c] == p) return c;
        return MeshData::kNone;
    }
    Host &m_host;
    std::shared_ptr<MeshData> m_mesh;
    bool m_writable;
    uint32_t m_cur = MeshData::kNone;
};

class EdgeAccessorObj final : public IfcEdge {
public:
    EdgeAccessorObj(Host &h, std::shared_ptr<MeshData> m) : m_host(h), m_mesh(std::move(m)) {}
    LxResult Select(LXtEdgeID e) override {
        uint32_t i = FromId(e);
        if (i >= m_mesh->Edges().ends.size()) return LXe_OUTOFBOUNDS;
        m_cur = i;
        return LXe_OK;
    }
    LxResult SelectEndpoints(LXtPointID a, LXtPointID b) override {
        uint32_t e = m_mesh->FindEdge(FromId(a), FromId(b));
        if (e == MeshData::kNone) return LXe_NOTFOUND;
        m_cur = e;
        return LXe_OK;
    }
    LXtEdgeID ID() override { return Valid() ? ToId<LXtEdgeID>(m_cur) : nullptr; }
    LxResult Endpoints(LXtPointID *a, LXtPointID *b) override {
        if (!Valid()) return LXe_NOTFOUND;
        const auto &e = m_mesh->Edges().ends[m_cur];
        if (a) *a = ToId<LXtPointID>(e[0]);
        if (b) *b = ToId<LXtPointID>(e[1]);
        return LXe_OK;
    }
    LxResult TestMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        return MarkMode::Decode(mode).Test(m_mesh->MarksOf(1)[m_cur]) ? LXe_TRUE : LXe_FALSE;
    }
    LxResult SetMarks(LXtMarkMode mode) override {
        if (!Valid()) return LXe_NOTFOUND;
        auto ends = m_mesh->Edges().ends[m_cur];
        MeshData &mesh = *m_mesh;
        return ApplyMarks(
            mesh, 1, m_cur, mode, [&] { m_host.selection.SelectEdge(mesh, ends[0], ends[1]); },
            [&] { m_host.selection.DeselectEdge(mesh, ends[0], ends[1]); });
    }
    LxResult Enumerate(LXtMarkMode mode, LXtObjectID visitor, LXtObjectID) override {
        const EdgeTable &t = m_mesh->Edges();
        return WalkElements(uint32_t(t.ends.size()), t.marks, mode, visitor, m_cur, m_host.selection,
                            kSelEdge, *m_mesh);
    }

private:
    bool Valid() { return m_cur < m_mesh->Edges().ends.size(); }
    Host &m_host;
    std::shared_ptr<MeshData> m_mesh;
    uint32_t m_cur = MeshData::kNone;
};

class MeshMapAccessorObj final : public IfcMeshMap {
public:
    explicit MeshMapAccessorObj(std::shared_ptr<MeshData> m) : m_mesh(std::move(m)) {}
    LxResult SelectByName(LXtID4 type, const char *name) override {
        const uint32_t map = m_mesh->MapIndex(type, name ? name : "");
        if (map == MeshData::kNone) return LXe_NOTFOUND;
        m_cur = map;
        return LXe_OK;
    }
    LXtMeshMapID ID() override { return Valid() ? ToId<LXtMeshMapID>(m_cur) : nullptr; }
    LxResult Name(const char **name) override {
        if (!Valid()) return LXe_NOTFOUND;
        *name = m_mesh->Map(m_cur).name.c_str();
        return LXe_OK;
    }
    LxResult Type(LXtID4 *type) override {
        if (!Valid()) return LXe_NOTFOUND;
        *type = m_mesh->Map(m_cur).type;
        return LXe_OK;
    }
    LxResult Dimension(unsigned *dim) override {
        if (!Valid()) return LXe_NOTFOUND;
        *dim = m_mesh->Map(m_cur).Dim();
        return LXe_OK;
    }

private:
    bool Valid() const { return m_cur < m_mesh->MapCount(); }
    std::shared_ptr<MeshData> m_mesh;
    uint32_t m_cur = MeshData::kNone;
};

class MeshServiceObj final : public IfcMeshService {
public:
    LxResult ModeCompose(const char *set, const char *clear, LXtMarkMode *mode) override {
        MarkMode m;
        if (!Bits(set, m.set) || !Bits(clear, m.clear)) return LXe_NOTFOUND;
        *mode = m.Encode();
        return LXe_OK;
    }

private:
    static bool Bits(const char *names, uint32_t &bits) {
        bits = 0;
        if (!names) return true;
        std::istringstream in(names);
        std::string name;
        while (in >> name) {
            uint32_t b = MarkBitByName(name);
            if (!b) return false;
            bits |= b;
        }
        return true;
    }
};

}  // namespace

LxResult MeshObj::PointCount(unsigned *count) {
    *count = m_mesh->PointCount();
    return LXe_OK;
}

LxResult MeshObj::PolygonCount(unsigned *count) {
    *count = m_mesh->PolygonCount();
    return LXe_OK;
}

LxResult MeshObj::EdgeCount(unsigned *count) {
    *count = m_mesh->EdgeCount();
    return LXe_OK;
}

LxResult MeshObj::MapCount(unsigned *count) {
    *count = m_mesh->MapCount();
    return LXe_OK;
}

LxResult MeshObj::BoundingBox(LXtMarkMode mode, LXtBBox *box) {
    MarkMode m = MarkMode::Decode(mode);
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool any = false;
    for (uint32_t i = 0; i < m_mesh->PointCount(); ++i) {
        if (!m.Test(m_mesh->PointMarks()[i])) continue;
        const Float3 &p = m_mesh->Positions()[i];
        for (int k = 0; k < 3; ++k) {
            if (!any || p[k] < lo[k]) lo[k] = p[k];
            if (!any || p[k] > hi[k]) hi[k] = p[k];
        }
        any = true;
    }
    for (int k = 0; k < 3; ++k) {
        box->min[k] = lo[k];
        box->max[k] = hi[k];
        box->extent[k] = hi[k] - lo[k];
        box->center[k] = (hi[k] + lo[k]) * 0.5;
    }
    return any ? LXe_OK : LXe_FALSE;
}

LxResult MeshObj::PointAccessor(void **p) {
    return HandOut(new PointAccessorObj(m_host, m_mesh, m_writable), p);
}
LxResult MeshObj::PolygonAccessor(void **p) {
    return HandOut(new PolygonAccessorObj(m_host, m_mesh, m_writable), p);
}
LxResult MeshObj::EdgeAccessor(void **p) {
    return HandOut(new EdgeAccessorObj(m_host, m_mesh), p);
}
LxResult MeshObj::MeshMapAccessor(void **p) {
    return HandOut(new MeshMapAccessorObj(m_mesh), p);
}

MeshObj *NewMeshObject(Host &host, MeshData &mesh, bool writable) {
    return new MeshObj(host, mesh.Owner()->mesh, writable);
}

MeshData *MeshOf(LXtObjectID meshObj) {
    MeshObj *m = HostSide<MeshObj>(meshObj);
    return m ? &m->Data() : nullptr;
}

LXtObjectID NewMeshService() {
    return (new MeshServiceObj)->Hand();
}

}  // namespace gorva::host
