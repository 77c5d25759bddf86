// Selection service and the packet translations that turn selection packets into elements.
// Packets are opaque; a packet from ByIndex stays valid until the selection changes.
#pragma once

#include "lx_com.hpp"

#define LXiSEL_VERX LXxID4('V', 'E', 'R', 'X')
#define LXiSEL_EDGE LXxID4('E', 'D', 'G', 'E')
#define LXiSEL_POLY LXxID4('P', 'O', 'L', 'Y')
#define LXiSEL_PTAG LXxID4('P', 'T', 'A', 'G')
#define LXiSEL_ITEM LXxID4('I', 'T', 'E', 'M')
#define LXiSEL_SCEN LXxID4('S', 'C', 'E', 'N')
#define LXsSELTYP_VERTEX "vertex"
#define LXsSELTYP_EDGE "edge"
#define LXsSELTYP_POLYGON "polygon"
#define LXsSELTYP_PTAG "ptag"
#define LXsSELTYP_ITEM "item"
#define LXsSELTYP_SCENE "scene"

class ILxSelectionService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxSelectionService";
    /// Type code by name ("vertex", "edge", "polygon", "ptag", "item", "scene"), 0 when unknown.
    virtual LXtID4 LookupType(const char *name) = 0;
    virtual LxResult LookupName(LXtID4 type, const char **name) = 0;
    /// The most recently used type among the zero-terminated list, or 0 when none of them is in use.
    virtual LXtID4 CurrentType(const LXtID4 *types) = 0;
    virtual unsigned Count(LXtID4 type) = 0;
    /// Packet of the i-th selected element in selection order, or null.
    virtual void *ByIndex(LXtID4 type, unsigned index) = 0;
    /// Adds the element of the packet to the selection (already selected elements keep their place).
    virtual LxResult Select(LXtID4 type, void *packet) = 0;
    virtual LxResult Deselect(LXtID4 type, void *packet) = 0;
    virtual LxResult Test(LXtID4 type, void *packet) = 0;
    /// Empties the selection of the type; the type stays current.
    virtual LxResult Clear(LXtID4 type) = 0;
    /// Empties the selection of the type and makes it no longer current.
    virtual LxResult Drop(LXtID4 type) = 0;
    /// The current time, in seconds; channels are read at this time.
    virtual double GetTime() = 0;
    /// Packet translation object for the named selection type.
    virtual LxResult Allocate(const char *typeName, void **ppvObj) = 0;

protected:
    ~ILxSelectionService() = default;
};

class ILxVertexPacketTranslation : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxVertexPacketTranslation";
    virtual LxResult Vertex(void *packet, LXtPointID *point) = 0;
    virtual LxResult Polygon(void *packet, LXtPolygonID *polygon) = 0;
    virtual LxResult Mesh(void *packet, void **mesh) = 0;
    virtual LxResult Item(void *packet, void **item) = 0;
    /// Packet for a point (polygon may be null) of a mesh; owned by the translation until its next call.
    virtual void *Packet(LXtPointID point, LXtPolygonID polygon, ILxUnknownID mesh) = 0;

protected:
    ~ILxVertexPacketTranslation() = default;
};

class ILxEdgePacketTranslation : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxEdgePacketTranslation";
    virtual LxResult Vertices(void *packet, LXtPointID *a, LXtPointID *b) = 0;
    virtual LxResult Polygon(void *packet, LXtPolygonID *polygon) = 0;
    virtual LxResult Mesh(void *packet, void **mesh) = 0;
    virtual LxResult Item(void *packet, void **item) = 0;
    virtual void *Packet(LXtPointID a, LXtPointID b, LXtPolygonID polygon, ILxUnknownID mesh) = 0;

protected:
    ~ILxEdgePacketTranslation() = default;
};

class ILxPolygonPacketTranslation : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxPolygonPacketTranslation";
    virtual LxResult Polygon(void *packet, LXtPolygonID *polygon) = 0;
    virtual LxResult Mesh(void *packet, void **mesh) = 0;
    virtual LxResult Item(void *packet, void **item) = 0;
    virtual void *Packet(LXtPolygonID polygon, ILxUnknownID mesh) = 0;

protected:
    ~ILxPolygonPacketTranslation() = default;
};

class ILxItemPacketTranslation : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxItemPacketTranslation";
    virtual LxResult Item(void *packet, void **item) = 0;
    virtual void *Packet(ILxUnknownID item) = 0;

protected:
    ~ILxItemPacketTranslation() = default;
};

// ---- client wrappers ----

class CLxUser_SelectionService : public CLxLocServiceT<ILxSelectionService> {
public:
    LXtID4 LookupType(const char *name) { return m_loc->LookupType(name); }
    LXtID4 CurrentType(const LXtID4 *types) { return m_loc->CurrentType(types); }
    unsigned Count(LXtID4 type) { return m_loc->Count(type); }
    void *ByIndex(LXtID4 type, unsigned i) { return m_loc->ByIndex(type, i); }
    LxResult Select(LXtID4 type, void *pkt) { return m_loc->Select(type, pkt); }
    LxResult Deselect(LXtID4 type, void *pkt) { return m_loc->Deselect(type, pkt); }
    LxResult Clear(LXtID4 type) { return m_loc->Clear(type); }
    LxResult Drop(LXtID4 type) { return m_loc->Drop(type); }
    double GetTime() { return m_loc->GetTime(); }
};

/// Shared shape of the packet translations: they bind themselves with autoInit().
template <class I>
class CLxPacketTranslationT : public CLxLocT<I> {
public:
    bool autoInit() {
        CLxUser_SelectionService sel;
        void *p = nullptr;
        this->clear();
        return sel.test() && LXx_OK(sel.loc()->Allocate(TypeName(), &p)) && this->take(p);
    }

private:
    static const char *TypeName();
};

class CLxUser_VertexPacketTranslation : public CLxPacketTranslationT<ILxVertexPacketTranslation> {
public:
    LxResult Vertex(void *pkt, LXtPointID *p) { return m_loc->Vertex(pkt, p); }
    LxResult Polygon(void *pkt, LXtPolygonID *p) { return m_loc->Polygon(pkt, p); }
    LxResult Mesh(void *pkt, void **mesh) { return m_loc->Mesh(pkt, mesh); }
    LxResult Item(void *pkt, void **item) { return m_loc->Item(pkt, item); }
    void *Packet(LXtPointID p, LXtPolygonID poly, ILxUnknownID mesh) { return m_loc->Packet(p, poly, mesh); }
};

class CLxUser_EdgePacketTranslation : public CLxPacketTranslationT<ILxEdgePacketTranslation> {
public:
    LxResult Vertices(void *pkt, LXtPointID *a, LXtPointID *b) { return m_loc->Vertices(pkt, a, b); }
    LxResult Polygon(void *pkt, LXtPolygonID *p) { return m_loc->Polygon(pkt, p); }
    LxResult Mesh(void *pkt, void **mesh) { return m_loc->Mesh(pkt, mesh); }
    LxResult Item(void *pkt, void **item) { return m_loc->Item(pkt, item); }
    void *Packet(LXtPointID a, LXtPointID b, LXtPolygonID poly, ILxUnknownID mesh) {
        return m_loc->Packet(a, b, poly, mesh);
    }
};

class CLxUser_PolygonPacketTranslation : public CLxPacketTranslationT<ILxPolygonPacketTranslation> {
public:
    LxResult Polygon(void *pkt, LXtPolygonID *p) { return m_loc->Polygon(pkt, p); }
    LxResult Mesh(void *pkt, void **mesh) { return m_loc->Mesh(pkt, mesh); }
    LxResult Item(void *pkt, void **item) { return m_loc->Item(pkt, item); }
    void *Packet(LXtPolygonID poly, ILxUnknownID mesh) { return m_loc->Packet(poly, mesh); }
};

class CLxUser_ItemPacketTranslation : public CLxPacketTranslationT<ILxItemPacketTranslation> {
public:
    LxResult Item(void *pkt, void **item) { return m_loc->Item(pkt, item); }
    void *Packet(ILxUnknownID item) { return m_loc->Packet(item); }
};

template <>
inline const char *CLxPacketTranslationT<ILxVertexPacketTranslation>::TypeName() {
    return LXsSELTYP_VERTEX;
}
template <>
inline const char *CLxPacketTranslationT<ILxEdgePacketTranslation>::TypeName() {
    return LXsSELTYP_EDGE;
}
template <>
inline const char *CLxPacketTranslationT<ILxPolygonPacketTranslation>::TypeName() {
    return LXsSELTYP_POLYGON;
}
template <>
inline const char *CLxPacketTranslationT<ILxItemPacketTranslation>::TypeName() {
    return LXsSELTYP_ITEM;
}
