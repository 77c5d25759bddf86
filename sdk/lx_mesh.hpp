// Meshes and their element accessors. Positions are single precision in the host and widened by
// callers; element ids are stable for the life of the element.
#pragma once

#include <string>

#include "lx_com.hpp"
#include "lx_visitor.hpp"

#define LXiPTYP_FACE LXxID4('F', 'A', 'C', 'E')
#define LXi_PTAG_MATR LXxID4('M', 'A', 'T', 'R')
#define LXi_PTAG_PART LXxID4('P', 'A', 'R', 'T')
#define LXi_VMAP_TEXTUREUV LXxID4('T', 'X', 'U', 'V')
#define LXiMARK_ANY 0u

#define LXsMARK_SELECT "select"
#define LXsMARK_HIDE "hide"
#define LXsMARK_LOCK "lock"

class ILxPoint : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxPoint";
    virtual LxResult Select(LXtPointID point) = 0;
    virtual LxResult SelectByIndex(unsigned index) = 0;
    virtual LXtPointID ID() = 0;
    virtual LxResult Index(unsigned *index) = 0;
    virtual LxResult Pos(LXtFVector pos) = 0;
    virtual LxResult SetPos(const LXtVector pos) = 0;
    virtual LxResult New(const LXtVector pos, LXtPointID *point) = 0;
    virtual LxResult PolygonCount(unsigned *count) = 0;
    virtual LxResult PolygonByIndex(unsigned index, LXtPolygonID *polygon) = 0;
    virtual LxResult TestMarks(LXtMarkMode mode) = 0;
    virtual LxResult SetMarks(LXtMarkMode mode) = 0;
    virtual LxResult Enumerate(LXtMarkMode mode, ILxUnknownID visitor, ILxUnknownID monitor) = 0;

protected:
    ~ILxPoint() = default;
};

class ILxPolygon : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxPolygon";
    virtual LxResult Select(LXtPolygonID polygon) = 0;
    virtual LxResult SelectByIndex(unsigned index) = 0;
    virtual LXtPolygonID ID() = 0;
    virtual LxResult Index(unsigned *index) = 0;
    virtual LxResult Type(LXtID4 *type) = 0;
    virtual LxResult VertexCount(unsigned *count) = 0;
    virtual LxResult VertexByIndex(unsigned index, LXtPointID *point) = 0;
    virtual LxResult Normal(LXtVector normal) = 0;
    virtual LxResult New(LXtID4 type, const LXtPointID *vertices, unsigned count, unsigned reversed,
                         LXtPolygonID *polygon) = 0;
    virtual LxResult MapValue(LXtMeshMapID map, LXtPointID point, float *value) = 0;
    virtual LxResult SetMapValue(LXtPointID point, LXtMeshMapID map, const float *value) = 0;
    virtual LxResult TestMarks(LXtMarkMode mode) = 0;
    virtual LxResult SetMarks(LXtMarkMode mode) = 0;
    virtual LxResult Enumerate(LXtMarkMode mode, ILxUnknownID visitor, ILxUnknownID monitor) = 0;

protected:
    ~ILxPolygon() = default;
};

class ILxEdge : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxEdge";
    virtual LxResult Select(LXtEdgeID edge) = 0;
    virtual LxResult SelectEndpoints(LXtPointID a, LXtPointID b) = 0;
    virtual LXtEdgeID ID() = 0;
    virtual LxResult Index(unsigned *index) = 0;
    virtual LxResult Endpoints(LXtPointID *a, LXtPointID *b) = 0;
    virtual LxResult TestMarks(LXtMarkMode mode) = 0;
    virtual LxResult SetMarks(LXtMarkMode mode) = 0;
    virtual LxResult Enumerate(LXtMarkMode mode, ILxUnknownID visitor, ILxUnknownID monitor) = 0;

protected:
    ~ILxEdge() = default;
};

class ILxMeshMap : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMeshMap";
    virtual LxResult SelectByName(LXtID4 type, const char *name) = 0;
    virtual LXtMeshMapID ID() = 0;
    virtual LxResult Name(const char **name) = 0;
    virtual LxResult Type(LXtID4 *type) = 0;
    virtual LxResult Dimension(unsigned *dimension) = 0;

protected:
    ~ILxMeshMap() = default;
};

/// Polygon string tags, offered by the polygon accessor for the polygon it is positioned on.
class ILxStringTag : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxStringTag";
    /// LXe_NOTFOUND when the polygon has no tag of that type.
    virtual LxResult Get(LXtID4 type, const char **tag) = 0;
    /// A null or empty tag removes it.
    virtual LxResult Set(LXtID4 type, const char *tag) = 0;

protected:
    ~ILxStringTag() = default;
};

class ILxMesh : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMesh";
    virtual LxResult PointCount(unsigned *count) = 0;
    virtual LxResult PolygonCount(unsigned *count) = 0;
    virtual LxResult EdgeCount(unsigned *count) = 0;
    /// Box of the points that pass the mark mode; an empty selection gives a zero box and LXe_FALSE.
    virtual LxResult BoundingBox(LXtMarkMode mode, LXtBBox *box) = 0;
    virtual LxResult PointAccessor(void **ppvObj) = 0;
    virtual LxResult PolygonAccessor(void **ppvObj) = 0;
    virtual LxResult EdgeAccessor(void **ppvObj) = 0;
    virtual LxResult MeshMapAccessor(void **ppvObj) = 0;

protected:
    ~ILxMesh() = default;
};

class ILxMeshService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMeshService";
    /// Mark mode requiring the marks named in `set` (space separated) and the absence of those in `clear`.
    virtual LxResult ModeCompose(const char *set, const char *clear, LXtMarkMode *mode) = 0;

protected:
    ~ILxMeshService() = default;
};

// ---- client wrappers ----

class CLxUser_Mesh;

/// What the point, edge and polygon accessors share: marks and enumeration.
template <class I>
class CLxElementAccessorT : public CLxLocT<I> {
public:
    /// True when the element the accessor is on carries the marks of the mode.
    bool TestMarks(LXtMarkMode mode) { return this->m_loc->TestMarks(mode) == LXe_TRUE; }
    LxResult SetMarks(LXtMarkMode mode) { return this->m_loc->SetMarks(mode); }
    LxResult Enumerate(LXtMarkMode mode, ILxUnknownID visitor, ILxUnknownID monitor = nullptr) {
        return this->m_loc->Enumerate(mode, visitor, monitor);
    }
    /// Walks the elements that pass the mode, calling the visitor with this accessor on each.
    template <class Visitor>
    LxResult Enum(Visitor *visitor, LXtMarkMode mode = LXiMARK_ANY, ILxUnknownID monitor = nullptr) {
        CLxVisitorGlueT<Visitor> glue(visitor);
        return this->m_loc->Enumerate(mode, &glue, monitor);
    }
};

class CLxUser_Point : public CLxElementAccessorT<ILxPoint> {
public:
    bool fromMesh(CLxUser_Mesh &mesh);
    bool fromMeshObj(ILxUnknownID mesh);
    LxResult Select(LXtPointID p) { return m_loc->Select(p); }
    LxResult SelectByIndex(unsigned i) { return m_loc->SelectByIndex(i); }
    LXtPointID ID() { return m_loc->ID(); }
    LxResult Index(unsigned *i) { return m_loc->Index(i); }
    LxResult Pos(LXtFVector pos) { return m_loc->Pos(pos); }
    LxResult SetPos(const LXtVector pos) { return m_loc->SetPos(pos); }
    LxResult New(const LXtVector pos, LXtPointID *p) { return m_loc->New(pos, p); }
    LxResult PolygonCount(unsigned *n) { return m_loc->PolygonCount(n); }
    LxResult PolygonByIndex(unsigned i, LXtPolygonID *p) { return m_loc->PolygonByIndex(i, p); }
};

class CLxUser_Polygon : public CLxElementAccessorT<ILxPolygon> {
public:
    bool fromMesh(CLxUser_Mesh &mesh);
    bool fromMeshObj(ILxUnknownID mesh);
    LxResult Select(LXtPolygonID p) { return m_loc->Select(p); }
    LxResult SelectByIndex(unsigned i) { return m_loc->SelectByIndex(i); }
    LXtPolygonID ID() { return m_loc->ID(); }
    LxResult Index(unsigned *i) { return m_loc->Index(i); }
    LxResult Type(LXtID4 *t) { return m_loc->Type(t); }
    LxResult VertexCount(unsigned *n) { return m_loc->VertexCount(n); }
    LxResult VertexByIndex(unsigned i, LXtPointID *p) { return m_loc->VertexByIndex(i, p); }
    LxResult Normal(LXtVector n) { return m_loc->Normal(n); }
    LxResult New(LXtID4 type, const LXtPointID *v, unsigned n, unsigned rev, LXtPolygonID *p) {
        return m_loc->New(type, v, n, rev, p);
    }
    LxResult MapValue(LXtMeshMapID map, LXtPointID point, float *value) {
        return m_loc->MapValue(map, point, value);
    }
    LxResult SetMapValue(LXtPointID point, LXtMeshMapID map, const float *value) {
        return m_loc->SetMapValue(point, map, value);
    }
};

class CLxUser_Edge : public CLxElementAccessorT<ILxEdge> {
public:
    bool fromMesh(CLxUser_Mesh &mesh);
    bool fromMeshObj(ILxUnknownID mesh);
    LxResult Select(LXtEdgeID e) { return m_loc->Select(e); }
    LxResult SelectEndpoints(LXtPointID a, LXtPointID b) { return m_loc->SelectEndpoints(a, b); }
    LXtEdgeID ID() { return m_loc->ID(); }
    LxResult Index(unsigned *i) { return m_loc->Index(i); }
    LxResult Endpoints(LXtPointID *a, LXtPointID *b) { return m_loc->Endpoints(a, b); }
};

class CLxUser_MeshMap : public CLxLocT<ILxMeshMap> {
public:
    bool fromMesh(CLxUser_Mesh &mesh);
    LxResult SelectByName(LXtID4 type, const char *name) { return m_loc->SelectByName(type, name); }
    LXtMeshMapID ID() { return m_loc->ID(); }
    LxResult Name(const char **name) { return m_loc->Name(name); }
    LxResult Type(LXtID4 *type) { return m_loc->Type(type); }
    LxResult Dimension(unsigned *d) { return m_loc->Dimension(d); }
};

class CLxUser_StringTag : public CLxLocT<ILxStringTag> {
public:
    LxResult Get(LXtID4 type, const char **tag) { return m_loc->Get(type, tag); }
    /// Reads a tag into text; false (text untouched) when the polygon has none.
    bool Get(LXtID4 type, std::string &text);
    LxResult Set(LXtID4 type, const char *tag) { return m_loc->Set(type, tag); }
};

class CLxUser_Mesh : public CLxLocT<ILxMesh> {
public:
    LxResult PointCount(unsigned *n) { return m_loc->PointCount(n); }
    LxResult PolygonCount(unsigned *n) { return m_loc->PolygonCount(n); }
    LxResult EdgeCount(unsigned *n) { return m_loc->EdgeCount(n); }
    unsigned NPoints();
    unsigned NPolygons();
    unsigned NEdges();
    LxResult BoundingBox(LXtMarkMode mode, LXtBBox *box) { return m_loc->BoundingBox(mode, box); }
    bool GetPoints(CLxUser_Point &acc) { return acc.fromMesh(*this); }
    bool GetPolygons(CLxUser_Polygon &acc) { return acc.fromMesh(*this); }
    bool GetEdges(CLxUser_Edge &acc) { return acc.fromMesh(*this); }
    bool GetMaps(CLxUser_MeshMap &acc) { return acc.fromMesh(*this); }
};

class CLxUser_MeshService : public CLxLocServiceT<ILxMeshService> {
public:
    LxResult ModeCompose(const char *set, const char *clear, LXtMarkMode *mode) {
        return m_loc->ModeCompose(set, clear, mode);
    }
    /// Mode that sets (or requires) the named marks.
    LXtMarkMode SetMode(const char *set);
    /// Mode that clears (or requires the absence of) the named marks.
    LXtMarkMode ClearMode(const char *clear);
};
