#include "Tool_Arches_Frame.hpp"

#include <cmath>

#include "qk_constants.hpp"
#include "qk_item_xfrm.hpp"

namespace gORVA_Tools_Arch {

using qk::constants::EPSILON;
using qk::math::AxisRotationMatrix;
using qk::math::FwdAxis;
using qk::math::Multiply;
using qk::math::RightAxis;
using qk::math::RotationMatrix;
using qk::math::TranslationMatrix;
using qk::math::UpAxis;

namespace {

/// -1, +1 or 0 (neither) for a component expected to be a unit or something else.
int UnitSign(double v) {
    if (std::fabs(v - 1.0) <= EPSILON) return 1;
    if (std::fabs(v + 1.0) <= EPSILON) return -1;
    return 0;
}

/// The arch's orientation flat on the work plane: the span along the plane's X, rising along -Z,
/// facing the plane's normal.
Matrix4 PlaneReference() {
    return RotationMatrix({1, 0, 0}, {0, 0, -1}, {0, 1, 0});
}

}  // namespace

ArchItemTransforms ArchItemTransforms::FromChannels(bool read, const Matrix4 &world, const Matrix4 &scale,
                                                    const Matrix4 &rotation, const Matrix4 &position) {
    ArchItemTransforms t;
    if (!read) return t;
    t.world = world, t.scale = scale, t.rotation = rotation, t.position = position;
    t.invertible = qk::InverseItemWorld({world, rotation, scale, position}, t.inverse);
    return t;
}

ArchWorkPlane ArchWorkPlane::FromPacket(const LXtMatrix m, const LXtMatrix mInv, const LXtVector pos) {
    ArchWorkPlane p;
    p.active = true;
    Vector3 q;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) q.v[i] += mInv[i][j] * pos[j];
    p.toPlane = qk::math::FrameMatrix(m, -q);
    p.plane = qk::math::TransposedRotation(p.toPlane);
    qk::math::SetTranslation(p.plane, Vector3(pos));
    return p;
}

void ArchFrame::Activate(const ArchItemTransforms &item, const ArchWorkPlane &plane, bool itemReference) {
    m_item = item;
    m_plane = plane;
    m_itemReference = itemReference;
    Matrix4 itemFrame = item.rotation;
    SetTranslation(itemFrame, TranslationOf(itemFrame) + TranslationOf(item.position));
    m_referenceFrame = plane.active && !qk::math::NearlyEqual(plane.plane, itemFrame, EPSILON);
    // Under an item reference the tool space is the item's own: the plane is taken there too.
    m_planeToTool = itemReference ? Multiply(plane.plane, item.inverse) : plane.plane;
    m_toolToPlane = itemReference ? Multiply(item.world, plane.toPlane) : plane.toPlane;

    m_base = m_spinMatrix = m_placement = m_arch = Matrix4();
    m_reference = PlaneReference();
    m_spin.SetSectorAngleIndex(0);
}

Matrix4 ArchFrame::PlacementOnPlane(const Vector3 &toolPoint) const {
    return TranslationMatrix(qk::math::TransformPoint(m_toolToPlane, toolPoint));
}

void ArchFrame::TurnQuadrant(int quarters) {
    m_spin.SetSectorAngleIndex(((m_spin.GetSectorAngleIndex() + quarters) % 4 + 4) % 4);
}

void ArchFrame::PlaceDefault(const Vector3 &eye, const Vector3 &centre) {
    double g = -qk::math::Dot(eye, FwdAxis(m_arch));
    if (m_referenceFrame) {
        if (g < 0.0) {
            m_reference = Multiply(m_reference, AxisRotationMatrix(2, -qk::constants::PI));
            m_axisCode = 4;
            if (std::fabs(m_spin.GetAngleRad()) > EPSILON) TurnQuadrant(2);
        }
        // A new activation starts at the action centre, not where the last arch was.
        m_placement = PlacementOnPlane(centre);
        Rebuild();
        return;
    }
    if (g < 0.0 && m_axisCode >= 0 && m_axisCode <= 2) {
        static const Vector3 facing[3][3] = {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
                                             {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
                                             {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
        const Vector3 *a = facing[m_axisCode];
        m_base = RotationMatrix(a[0], a[1], a[2]);
        m_arch = Multiply(m_base, m_placement);
        m_axisCode += 3;
    }
}

void ArchFrame::PlaceFirst(const Vector3 &centre, int axisIndex, bool centred) {
    Vector3 at = centred ? Vector3() : centre;
    if (!m_referenceFrame) {
        static const Vector3 forward[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        static const Vector3 up[3] = {{0, 1, 0}, {0, 0, -1}, {0, 1, 0}};
        int axis = axisIndex >= 0 && axisIndex <= 2 ? axisIndex : 1;
        m_axisCode = axis;
        Vector3 right = qk::math::Normalized(qk::math::Cross(up[axis], forward[axis]));
        m_base = RotationMatrix(right, up[axis], forward[axis]);
        m_placement = TranslationMatrix(at);
        m_arch = Multiply(m_base, m_placement);
        return;
    }
    const Matrix4 &x = m_plane.toPlane;
    if (std::fabs(UpAxis(x).y()) <= EPSILON) {
        int f = UnitSign(FwdAxis(x).y()), r = UnitSign(RightAxis(x).y());
        if (f == 0 && r == 1) TurnQuadrant(1);
        if (f == 1 && r == 0) TurnQuadrant(2);
        if (f == 0 && r == -1) TurnQuadrant(-1);
    }
    m_axisCode = 1;
    m_spinMatrix = AxisRotationMatrix(1, -m_spin.GetAngleRad());
    m_placement = PlacementOnPlane(at);
    m_arch = Multiply(Multiply(Multiply(m_reference, m_spinMatrix), m_placement), m_planeToTool);
}

void ArchFrame::Spin(bool clockwise, bool anticlockwise) {
    if (clockwise) m_spin.Spin90(qk::SPIN_CLOCKWISE);
    if (anticlockwise) m_spin.Spin90(qk::SPIN_COUNTER_CLOCKWISE);
    Rebuild();
}

void ArchFrame::Rebuild() {
    double a = m_spin.GetAngleRad();
    if (m_referenceFrame) {
        m_spinMatrix = AxisRotationMatrix(1, m_axisCode == 4 ? -a : a);
        m_arch = Multiply(Multiply(Multiply(m_reference, m_spinMatrix), m_placement), m_planeToTool);
        return;
    }
    if (m_axisCode >= 0 && m_axisCode <= 2)
        m_spinMatrix = AxisRotationMatrix(m_axisCode, a);
    else if (m_axisCode >= 3 && m_axisCode <= 5)
        m_spinMatrix = AxisRotationMatrix(m_axisCode - 3, -a);
    else
        m_spinMatrix = AxisRotationMatrix(2, a);
    m_arch = Multiply(Multiply(m_base, m_spinMatrix), m_placement);
}

Matrix4 ArchFrame::LocalToMesh(const Vector3 &start) const {
    Matrix4 t = m_arch;
    qk::math::SetTranslation(t, start);
    return m_itemReference ? t : Multiply(t, m_item.inverse);
}

}  // namespace gORVA_Tools_Arch
