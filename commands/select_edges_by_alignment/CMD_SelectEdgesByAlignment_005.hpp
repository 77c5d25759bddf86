// "gORVA.Cmd.SelectEdgesbyAlignment": the edge checker. Replaces the edge selection with the edges of
// the active mesh layers whose direction is none of the allowed grid directions.
#pragma once

#include <utility>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_visitor.hpp"
#include "qk_command.hpp"
#include "qk_visit.hpp"

namespace gORVA_Cmds_SelectEdgesbyAlignment {

/// An allowed unit direction.
struct AngleVector {
    double v[3];
};

/// An edge by its two end points.
struct Edge {
    LXtPointID a;
    LXtPointID b;
};

/// The directions of one principal plane: (cos t, sin t) on axes (cosAxis, sinAxis), 0 on `normal`,
/// for t = 0, step, 2 step, ... accumulated by addition; `count` vectors from index `first`.
struct AngleSeries {
    int cosAxis;
    int sinAxis;
    int normal;
    double step;
    unsigned first;
    unsigned count;
    double stepsPerRadian;  ///< 1 / step
};

/// The allowed directions of an axes setting (0 all planes, 1 XY, 2 YZ, 3 XZ, others none) and an
/// angle-multiples setting (0: 2.5 degrees, 1: 5 degrees, others: 15 degrees).
class AllowedDirections {
public:
    /// Builds the table; unknown axes give an empty table.
    static AllowedDirections Build(int axes, int multiples);

    /// Every allowed direction, plane by plane in the order XY, YZ, XZ.
    const std::vector<AngleVector> &Vectors() const { return m_vectors; }
    /// One entry per plane in the table.
    const std::vector<AngleSeries> &Series() const { return m_series; }
    /// True when no direction is allowed (unknown axes).
    bool Empty() const { return m_vectors.empty(); }

    /// True when some table vector equals u within 1e-6 per component. Tests only the few vectors
    /// near u's angle in each plane; gives exactly the answer of MatchesAnyLinear for every input.
    bool MatchesAny(const LXtVector u) const;
    /// The same test by a walk over the whole table.
    bool MatchesAnyLinear(const LXtVector u) const;

private:
    bool MatchesSeries(const AngleSeries &series, const LXtVector u) const;
    bool MatchesSeriesLinear(const AngleSeries &series, const LXtVector u) const;

    std::vector<AngleVector> m_vectors;
    std::vector<AngleSeries> m_series;
};

/// Collects the edges of a mesh that are long enough and match no allowed direction. Directions are
/// taken in the mesh's own coordinates; edges of length at most 1e-6 are never collected.
class MatchEdgeVisitor final : public CLxImpl_AbstractVisitor {
public:
    /// Binds the point and edge accessors to a mesh; false when it offers none.
    bool Bind(CLxUser_Mesh &mesh);
    /// The table to test against; kept by pointer, it must outlive the enumeration.
    void SetAngleVectors(const AllowedDirections *directions) { m_directions = directions; }
    /// Edges shorter than this (metres) are ignored.
    void SetMinEdgeLength(double length) { m_minLength = length; }
    /// Empties the collected list.
    void Reset() { m_collected.clear(); }
    /// Room for `edges` collected edges up front: a list of millions is then never copied as it grows.
    void Reserve(std::size_t edges) { m_collected.reserve(edges); }
    /// Edges collected since the last Reset, in enumeration order.
    const std::vector<Edge> &Collected() const { return m_collected; }
    /// Hands the collected list over and leaves the visitor's list empty.
    std::vector<Edge> TakeCollected() { return std::exchange(m_collected, {}); }
    /// Walks the edges that pass the mark mode.
    LxResult Enumerate(LXtMarkMode mode) { return qk::Visit(m_edge, *this, mode); }
    /// Tests the current edge; one whose end points cannot be read is passed over.
    LxResult Evaluate() override;

private:
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_point;
    CLxUser_Edge m_edge;
    const AllowedDirections *m_directions = nullptr;
    double m_minLength = 0.0;
    std::vector<Edge> m_collected;
};

/// The command server; it declares no arguments.
class gORVA_SelectEdgesbyAlignment : public qk::SelectCommand {
public:
    /// Registers the server as "gORVA.Cmd.SelectEdgesbyAlignment".
    static void initialize();

    /// Enabled in edge mode when an active layer has polygons, on host 801.
    bool basic_Enable(CLxUser_Message &msg) override;
    /// Replaces the edge selection with the misaligned edges.
    void cmd_Execute(unsigned flags) override;
};

/// Registers the command; returns the registration's result.
void initialize();

}  // namespace gORVA_Cmds_SelectEdgesbyAlignment
