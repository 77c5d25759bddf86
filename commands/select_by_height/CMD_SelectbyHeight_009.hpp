// "gORVA.Cmd.SelectbyHeight": selects the vertices, edges or polygons of the active mesh layers that
// lie at the height of the first selected one, or in a band around it.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_visitor.hpp"
#include "CMD_SelectbyHeight_Match.hpp"
#include "qk_command.hpp"
#include "qk_constants.hpp"
#include "qk_visit.hpp"

namespace gORVA_Cmds_SelectbyHeight {

/// An edge by its two end points, in the order the mesh reports them.
struct Edge {
    LXtPointID a;
    LXtPointID b;
};

/// State and height test shared by the three visitors; `Element` is what the matched list holds.
template <class Element>
class HeightVisitorBase : public CLxImpl_AbstractVisitor {
public:
    /// Empties the matched list (the reference stays).
    void Reset() { m_matched.clear(); }
    /// Room for `elements` matches up front: a list of millions is then never copied as it grows.
    void Reserve(std::size_t elements) { m_matched.reserve(elements); }
    /// Sets both bounds (metres).
    void SetBounds(const HeightBand &band) { m_band = band; }
    /// How heights compare with the reference and the bounds.
    void SetMatchMode(MATCH_MODE mode) { m_mode = mode; }
    /// Which coordinate is the height.
    void SetUpAxis(WORLD_UP_AXIS axis) { m_upAxis = axis; }
    /// Copies the item's world transform (row-vector convention, translation in row 3).
    void SetItemXfrm(const LXtMatrix4 m);
    /// Heights are measured in world space when `mode` is non-zero, in mesh coordinates otherwise.
    void SetItemXfrmMode(int mode) { m_useXfrm = mode != 0; }

    /// True once an element was taken as the reference.
    bool HasReference() const { return m_hasReference; }
    /// The reference height (metres, along the up axis); 0 before one was taken.
    double Reference() const { return m_reference; }
    /// Elements matched since the last Reset, in enumeration order.
    const std::vector<Element> &Matched() const { return m_matched; }
    /// Hands the matched list over and leaves the visitor's list empty.
    std::vector<Element> TakeMatched() { return std::exchange(m_matched, {}); }

protected:
    /// Takes the first position seen as the reference (false); afterwards true when its height matches.
    bool Matches(const LXtVector position);
    /// Appends an element to the matched list.
    void Collect(const Element &element) { m_matched.push_back(element); }

private:
    double HeightOf(const LXtVector position) const;

    double m_reference = 0.0;
    HeightBand m_band;
    bool m_hasReference = false;
    MATCH_MODE m_mode = MATCH_SAME;
    WORLD_UP_AXIS m_upAxis = UP_AXIS_Y;
    LXtMatrix4 m_xfrm = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    bool m_useXfrm = false;
    std::vector<Element> m_matched;
};

/// Vertices; the height point is the point's position.
class SelectVertexByHeightVisitor final : public HeightVisitorBase<LXtPointID> {
public:
    /// Binds the point accessor to a mesh; false when the mesh offers none.
    bool Bind(CLxUser_Mesh &mesh) { return m_mesh.set(mesh) && m_point.fromMesh(mesh); }
    /// Walks the points that pass the mark mode.
    LxResult Enumerate(LXtMarkMode mode) { return qk::Visit(m_point, *this, mode); }
    /// Measures the current point; a point whose position cannot be read is passed over.
    LxResult Evaluate() override;

private:
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_point;
};

/// Edges; the height point is the midpoint of the two end points.
class SelectEdgeByHeightVisitor final : public HeightVisitorBase<Edge> {
public:
    /// Binds the point and edge accessors to a mesh; false when the mesh offers them not.
    bool Bind(CLxUser_Mesh &mesh);
    /// Walks the edges that pass the mark mode.
    LxResult Enumerate(LXtMarkMode mode) { return qk::Visit(m_edge, *this, mode); }
    /// Measures the current edge; an edge whose end points cannot be read is passed over.
    LxResult Evaluate() override;

private:
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_point;
    CLxUser_Edge m_edge;
};

/// Polygons; the height point is the vertex average, summed in single precision as the host stores
/// positions. A polygon without vertices has no height and is passed over.
class SelectPolygonByHeightVisitor final : public HeightVisitorBase<LXtPolygonID> {
public:
    /// Binds the point and polygon accessors to a mesh; false when the mesh offers them not.
    bool Bind(CLxUser_Mesh &mesh);
    /// Walks the polygons that pass the mark mode.
    LxResult Enumerate(LXtMarkMode mode) { return qk::Visit(m_polygon, *this, mode); }
    /// Measures the current polygon; one with no vertices or an unreadable vertex is passed over.
    LxResult Evaluate() override;

private:
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_point;
    CLxUser_Polygon m_polygon;
};

/// The command server: one argument "match_mode" (integer, index 0).
class gORVA_Command_SelectbyHeight : public qk::SelectCommand {
public:
    gORVA_Command_SelectbyHeight();
    /// Registers the server as "gORVA.Cmd.SelectbyHeight".
    static void initialize();

    /// Enabled in vertex mode with vertices, or in edge or polygon mode with polygons, on host 801.
    bool basic_Enable(CLxUser_Message &msg) override;
    /// Replaces the selection of the current type with the elements matching the first selected one.
    void cmd_Execute(unsigned flags) override;

private:
    struct Settings;
    template <class Visitor, class PacketOf>
    void SelectMatching(Visitor &visitor, LXtID4 type, const char *typeName, CLxUser_LayerScan &scan,
                        const Settings &settings, PacketOf packetOf);
};

/// Registers the command; returns the registration's result.
void initialize();

}  // namespace gORVA_Cmds_SelectbyHeight
