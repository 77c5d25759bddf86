// The Arch tool's frame: where the arch stands and which way it faces, from the work plane, the
// first press and the quarter-turn spins, and how its local points reach the mesh. Matrices follow the
// row-vector convention (a point is (x, y, z, 1) * M; in A * B, A applies first). Positions are in
// tool space: world space, or the reference item's own space under an item reference system.
// Pure math: no host calls.
#pragma once

#include "lxvmath.h"
#include "qk_math.hpp"
#include "qk_tool_spin_angle_tracker.hpp"

namespace gORVA_Tools_Arch {

using qk::math::Matrix4;
using qk::math::Vector3;

/// The matrices of the item the arch is written into.
struct ArchItemTransforms {
    Matrix4 world, scale, rotation, position;  ///< "worldMatrix", "wsclMatrix", "wrotMatrix", "wposMatrix"
    Matrix4 inverse;                           ///< inverse position x inverse rotation x inverse scale
    bool invertible = true;                    ///< false for an item scaled to nothing on some axis

    /// From the four channels read; every matrix the identity when they could not all be read.
    static ArchItemTransforms FromChannels(bool read, const Matrix4 &world, const Matrix4 &scale,
                                           const Matrix4 &rotation, const Matrix4 &position);
};

/// The work plane as the "tool.xfrm" packet gives it: toPlane (X) maps world positions into the
/// plane's own coordinates (plane = XZ, normal +Y), plane (P) maps them back.
struct ArchWorkPlane {
    bool active = false;
    Matrix4 toPlane, plane;

    /// From the packet's first matrix m, its second matrix mInv and its position: X has m as its
    /// rotation and -(mInv . pos) as its translation; P is X's rotation inverted with translation pos.
    static ArchWorkPlane FromPacket(const LXtMatrix m, const LXtMatrix mInv, const LXtVector pos);
};

/// The arch frame D and its parts. Outside reference-frame mode D = R x S x T (R the base orientation
/// by work-plane axis, S the spin, T the move to the placement point, all in tool space). In
/// reference-frame mode (a work plane other than the item's own frame) the arch lies flat on the work
/// plane: D = Rr x S x T x P, with T in plane coordinates and P taking the plane into tool space.
class ArchFrame {
public:
    /// Starts an activation: no placement, spin quadrant 0, the reference orientation reset. The
    /// item-reference flag says the tool space is the item's own space.
    void Activate(const ArchItemTransforms &item, const ArchWorkPlane &plane, bool itemReference);

    /// Placement before the first press. `eye` is the view's eye direction at the origin, `centre` the
    /// action centre. Turns the arch to face the viewer; in reference-frame mode it puts the arch at
    /// the action centre on the work plane.
    void PlaceDefault(const Vector3 &eye, const Vector3 &centre);
    /// Placement at the first press: at `centre` (the origin when `centred`), standing across the
    /// work-plane axis `axisIndex` (0 X, 1 Y, 2 Z; other values count as Y), or flat on the work plane
    /// in reference-frame mode.
    void PlaceFirst(const Vector3 &centre, int axisIndex, bool centred);
    /// Turns the spin quadrant by one quarter clockwise and/or anticlockwise, then rebuilds D.
    void Spin(bool clockwise, bool anticlockwise);

    /// D: arch-local to tool space; its right axis runs along the span, its up axis is the rise.
    const Matrix4 &Arch() const { return m_arch; }
    Vector3 Right() const { return qk::math::RightAxis(m_arch); }
    Vector3 Up() const { return qk::math::UpAxis(m_arch); }
    /// Quarter turns of the spin, 0..3.
    int SpinQuadrant() const { return m_spin.GetSectorAngleIndex(); }
    bool ReferenceFrameMode() const { return m_referenceFrame; }

    /// Arch-local points to the mesh's own space, with the arch's local origin at `start` (tool space).
    Matrix4 LocalToMesh(const Vector3 &start) const;
    /// False when the arch cannot be written: the item's space has no inverse.
    bool CanWrite() const { return m_itemReference || m_item.invertible; }

private:
    void Rebuild();
    void TurnQuadrant(int quarters);
    Matrix4 PlacementOnPlane(const Vector3 &toolPoint) const;

    ArchItemTransforms m_item;
    ArchWorkPlane m_plane;
    bool m_itemReference = false;
    bool m_referenceFrame = false;
    Matrix4 m_planeToTool;  ///< P, then into the item's space under an item reference
    Matrix4 m_toolToPlane;  ///< the inverse of m_planeToTool

    int m_axisCode = -1;  ///< 0..2 the work-plane axis, 3..5 the same turned to face the viewer
    qk::SpinAngleTracker m_spin;
    Matrix4 m_base;        ///< R
    Matrix4 m_reference;   ///< Rr
    Matrix4 m_spinMatrix;  ///< S
    Matrix4 m_placement;   ///< T
    Matrix4 m_arch;        ///< D
};

}  // namespace gORVA_Tools_Arch
