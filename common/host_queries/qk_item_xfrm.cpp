#include "qk_item_xfrm.hpp"

#include <cmath>
#include <vector>

#include "lxidef.h"
#include "qk_constants.hpp"

namespace qk {

using qk::constants::EPSILON;
using qk::math::Dot;
using qk::math::IsFinite;
using qk::math::Matrix4;
using qk::math::Vector3;

bool ReadMatrixChannel(CLxUser_ChannelRead &chan, CLxUser_Item &item, const char *channel, Matrix4 &m) {
    CLxUser_Matrix matrix;
    LXtMatrix4 values;
    if (!chan.Object(item, channel, matrix) || LXx_FAIL(matrix.Get4(values))) return false;
    m = Matrix4(values);
    return true;
}

bool ReadItemXfrm(CLxUser_Item &item, double time, ItemXfrm &xf) {
    CLxUser_ChannelRead chan;
    ItemXfrm read;
    if (!chan.from(item, time)) return false;
    if (!ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WORLDMATRIX, read.world) ||
        !ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WROTMATRIX, read.rotation) ||
        !ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WSCLMATRIX, read.scale) ||
        !ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WPOSMATRIX, read.position))
        return false;
    xf = read;
    return true;
}

bool InverseItemWorld(const ItemXfrm &xf, Matrix4 &inverse) {
    Matrix4 scaleInverse;
    if (!qk::math::InvertedScale(xf.scale, scaleInverse)) return false;
    const Matrix4 rotationInverse = qk::math::TransposedRotation(xf.rotation);
    const Matrix4 positionInverse = qk::math::NegatedTranslation(xf.position);
    inverse = qk::math::Multiply(qk::math::Multiply(positionInverse, rotationInverse), scaleInverse);
    return true;
}

bool ReadWorldMatrix(CLxUser_Item &item, double time, Matrix4 &world) {
    CLxUser_ChannelRead chan;
    return chan.from(item, time) && ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WORLDMATRIX, world);
}

std::string ItemName(CLxUser_Item &item) {
    const char *name = nullptr;
    if (LXx_OK(item.Name(&name)) && name && *name) return name;
    return item.GetIdentity();
}

namespace {

Vector3 Row(const Matrix4 &m, int i) {
    return {m.m[i][0], m.m[i][1], m.m[i][2]};
}

// True when the rows of the 3x3 block are unit length and mutually perpendicular within 1e-6.
bool IsOrthonormal(const Matrix4 &m) {
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j)
            if (!(std::fabs(Dot(Row(m, i), Row(m, j)) - (i == j ? 1.0 : 0.0)) <= EPSILON)) return false;
    return true;
}

// w through the transposed rotation, then the inverse scale; false for a zero or non-finite scale.
bool TransposeDisplacement(const Vector3 &w, const Matrix4 &rotation, const Matrix4 &scale, Vector3 &local) {
    // The transpose undoes a pure rotation: each component is w projected on one of the rotation's axes.
    Vector3 v(Dot(w, Row(rotation, 0)), Dot(w, Row(rotation, 1)), Dot(w, Row(rotation, 2)));
    for (int i = 0; i < 3; ++i) {
        const double s = scale.m[i][i];
        if (s == 0.0 || !std::isfinite(s)) return false;
        v.v[i] /= s;
    }
    if (!IsFinite(v)) return false;
    local = v;
    return true;
}

// v with v x m = w over the 3x3 block (row vectors), by the adjugate; false when m is singular.
bool SolveRowVector(const Matrix4 &m, const Vector3 &w, Vector3 &v) {
    const Vector3 r0 = Row(m, 0), r1 = Row(m, 1), r2 = Row(m, 2);
    // The columns of the inverse of a matrix with rows r0, r1, r2 are the cross products over det.
    const Vector3 c0 = qk::math::Cross(r1, r2), c1 = qk::math::Cross(r2, r0), c2 = qk::math::Cross(r0, r1);
    const double det = Dot(r0, c0);
    if (det == 0.0 || !std::isfinite(det)) return false;
    const Vector3 solved = Vector3(Dot(w, c0), Dot(w, c1), Dot(w, c2)) * (1.0 / det);
    if (!IsFinite(solved)) return false;
    v = solved;
    return true;
}

// The least-squares combination of the item's remaining axes (rows of scale x rotation) that gives w,
// the collapsed axes' components 0; OFF_COLLAPSED_PLANE when w leaves their span.
ItemMove SolveOnCollapsedItem(const Vector3 &w, const Matrix4 &block, const bool collapsed[3],
                              Vector3 &local) {
    std::vector<int> axes;
    for (int i = 0; i < 3; ++i)
        if (!collapsed[i]) axes.push_back(i);
    Vector3 v;
    if (axes.size() == 1) {
        const Vector3 a = Row(block, axes[0]);
        const double aa = Dot(a, a);
        if (!(aa > 0.0)) return ItemMove::NOT_SOLVABLE;
        v.v[axes[0]] = Dot(w, a) / aa;
    } else if (axes.size() == 2) {
        const Vector3 a = Row(block, axes[0]), b = Row(block, axes[1]);
        const double aa = Dot(a, a), ab = Dot(a, b), bb = Dot(b, b), wa = Dot(w, a), wb = Dot(w, b);
        const double det = aa * bb - ab * ab;
        // Two remaining axes along one line leave no plane to solve in.
        if (!(det > EPSILON * EPSILON * aa * bb)) return ItemMove::NOT_SOLVABLE;
        v.v[axes[0]] = (bb * wa - ab * wb) / det;
        v.v[axes[1]] = (aa * wb - ab * wa) / det;
    }
    if (!IsFinite(v)) return ItemMove::NOT_SOLVABLE;
    const Vector3 reached = qk::math::TransformDirection(block, v);
    const double tolerance = EPSILON * std::fmax(1.0, qk::math::Length(w));
    if (!(qk::math::Length(w - reached) <= tolerance)) return ItemMove::OFF_COLLAPSED_PLANE;
    local = v;
    return ItemMove::MOVED;
}

}  // namespace

ItemMove WorldToItemDisplacement(const Vector3 &w, const Matrix4 &rotation, const Matrix4 &scale,
                                 Vector3 &local) {
    if (!IsFinite(w)) return ItemMove::NOT_SOLVABLE;
    bool collapsed[3] = {false, false, false};
    bool anyCollapsed = false;
    for (int i = 0; i < 3; ++i) {
        const double s = scale.m[i][i];
        if (!std::isfinite(s)) return ItemMove::NOT_SOLVABLE;
        collapsed[i] = (s == 0.0);
        anyCollapsed = anyCollapsed || collapsed[i];
    }
    const Matrix4 block = qk::math::Multiply(scale, rotation);
    if (anyCollapsed) return SolveOnCollapsedItem(w, block, collapsed, local);
    // The transpose keeps the digits of a plain turn; only a sheared rotation needs the full solve.
    if (IsOrthonormal(rotation))
        return TransposeDisplacement(w, rotation, scale, local) ? ItemMove::MOVED : ItemMove::NOT_SOLVABLE;
    return SolveRowVector(block, w, local) ? ItemMove::MOVED : ItemMove::NOT_SOLVABLE;
}

std::string ItemMoveReason(ItemMove result) {
    switch (result) {
        case ItemMove::MOVED:
            return std::string();
        case ItemMove::OFF_COLLAPSED_PLANE:
            return "the item is scaled to 0 on an axis and the move has a component along that axis";
        case ItemMove::NOT_SOLVABLE:
            break;
    }
    return "the item's transform or the move is not finite";
}

}  // namespace qk
