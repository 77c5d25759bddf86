// Shared by glTF reading and writing: the record names kept in extras and the transform rules
// between the host's items and glTF's nodes.
#pragma once
#include "host/guard.hpp"

#include <array>

#include "host/model/scene.hpp"

namespace gorva::host::gltf {

/// Key of the host's own records in an object's extras.
constexpr const char *kExtrasKey = "gorva";
constexpr const char *kLightsExtension = "KHR_lights_punctual";

using Rows = std::array<std::array<double, 3>, 3>;  // rotation, rows are the axes

/// Translation, rotation and scale of one node in the host's terms.
struct Trs {
    std::array<double, 3> translation{0, 0, 0};
    Rows rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<double, 3> scale{1, 1, 1};
};

/// The item's local transform from its channels.
Trs TrsOfItem(const ItemData &item);
/// Euler angles (X, Y, Z order, radians) of a rotation.
std::array<double, 3> EulerOf(const Rows &rotation);

/// Unit quaternion (x, y, z, w) of a rotation; glTF turns column vectors, the host rows.
std::array<double, 4> QuaternionOf(const Rows &rotation);
/// Rotation of a quaternion, normalised first; false when its length is zero.
bool RowsOfQuaternion(std::array<double, 4> q, Rows &rotation);

/// a * b under the row-vector convention (a applies first).
Rows Multiply(const Rows &a, const Rows &b);
Rows Transposed(const Rows &r);

/// The turn from the host's up axis (0 X, 1 Y, 2 Z) to glTF's +Y, applied to root nodes after
/// their own transform; its transpose turns back.
Rows UpTurn(int upAxis);

/// The transform followed by a turn (the frame it sits in turned): rotation and translation turn.
Trs FollowedBy(const Trs &trs, const Rows &turn);

}  // namespace gorva::host::gltf
