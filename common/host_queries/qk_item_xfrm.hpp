// An item's world transforms and the one rule every tool uses to turn a world displacement into the
// item's own (mesh) space: solved through scale x rotation, so that a sheared or non-uniformly scaled
// parent chain still lands each point exactly, and an item flattened to a plane or a line still moves
// within it.
#pragma once

#include <string>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "qk_math.hpp"

namespace qk {

/// An item's "worldMatrix" and the scale, rotation and position parts it splits into ("wsclMatrix",
/// "wrotMatrix", "wposMatrix"); identity matrices until read.
struct ItemXfrm {
    qk::math::Matrix4 world;
    qk::math::Matrix4 rotation;
    qk::math::Matrix4 scale;
    qk::math::Matrix4 position;
};

/// Reads one matrix channel of item; false (m unchanged) when it is missing.
bool ReadMatrixChannel(CLxUser_ChannelRead &chan, CLxUser_Item &item, const char *channel,
                       qk::math::Matrix4 &m);

/// Reads the four world matrices of item at time; false (xf unchanged) when the item has no channel
/// read or any of them is missing.
bool ReadItemXfrm(CLxUser_Item &item, double time, ItemXfrm &xf);

/// The inverse of an item's world transform from its parts: position^-1 x rotation^-1 (the transpose)
/// x scale^-1. Returns false, leaving inverse unchanged, when a scale term is zero or not finite.
bool InverseItemWorld(const ItemXfrm &xf, qk::math::Matrix4 &inverse);

/// Reads the item's "worldMatrix" at time; false (world unchanged) when it cannot be read.
bool ReadWorldMatrix(CLxUser_Item &item, double time, qk::math::Matrix4 &world);

/// The item's name for messages (its identity when it has none).
std::string ItemName(CLxUser_Item &item);

/// How a world displacement went into item space.
enum class ItemMove {
    MOVED,                ///< solved: the item-space displacement is set
    OFF_COLLAPSED_PLANE,  ///< the item is scaled to 0 on an axis and the move leaves its plane or line
    NOT_SOLVABLE,         ///< the displacement or transform is not finite
};

/// The item-space (mesh) displacement that moves a point of an item by the world displacement w, from
/// the item's world rotation and scale (rows are axes; scale x rotation is the world matrix's 3x3
/// block). An orthonormal rotation is undone by its transpose, then the scale; a rotation carrying
/// shear (a turned child under a non-uniformly scaled parent) is solved through scale x rotation. An
/// axis scaled to exactly 0 gets the local component 0: w must then lie in the span of the other axes
/// (within 1e-6 of |w|, at least 1e-6 m), else OFF_COLLAPSED_PLANE. local is set only for MOVED.
ItemMove WorldToItemDisplacement(const qk::math::Vector3 &w, const qk::math::Matrix4 &rotation,
                                 const qk::math::Matrix4 &scale, qk::math::Vector3 &local);

/// The reason a move was refused, in words for the log; empty for MOVED.
std::string ItemMoveReason(ItemMove result);

}  // namespace qk
