// The component align tool "gORVA.ComponentAlignAToB": moves the selected vertices so that a source
// vertex A lands on a target measured from a destination vertex B. B is the last selected vertex, A
// the selected vertex nearest to it; the target is B plus per-axis offsets (an axis with its align
// switch on takes B's coordinate). Positions are compared in world space and every vertex is written
// back in its own item's space, so vertices of items with different transforms align to each other.
// A press on the target handle commits or withdraws the move. The geometry is in qk_align, what both
// align tools share on the host side in qk_align_tool.
#pragma once

#include <memory>
#include <vector>

#include "qk_align_tool.hpp"

namespace gORVA_Tools_ComponentAlignAToB {

/// Registers the tool under "gORVA.ComponentAlignAToB".
void initialize();

/// Attribute indices, in declaration order (see COMPONENT_ALIGN_ATTRIBUTES).
enum ComponentAlignAttr : unsigned {
    ATTR_OFFSET_X,
    ATTR_OFFSET_Y,
    ATTR_OFFSET_Z,
    ATTR_ALIGN_X,
    ATTR_ALIGN_Y,
    ATTR_ALIGN_Z,
    ATTR_MOVE_AS_GROUP,
    ATTR_SHOW_DIMS,
    ATTR_TARGET_IS_ORIGIN,
    ATTR_POLYGON_PROJECTION,
    ATTR_AUTO_JUMP_MODE,
    ATTR_COUNT
};
static_assert(ATTR_OFFSET_X == qk::ALIGN_ATTR_OFFSET_X && ATTR_ALIGN_X == qk::ALIGN_ATTR_ALIGN_X &&
                  ATTR_SHOW_DIMS == qk::ALIGN_ATTR_SHOW_DIMS &&
                  ATTR_TARGET_IS_ORIGIN == qk::ALIGN_ATTR_TARGET_IS_ORIGIN,
              "the shared attributes sit where both align tools declare them");

/// The tool's attributes: offsets of the target from B (metres), the per-axis align switches, how
/// the points move, the label switch, the one-shot origin target, an unused projection switch and
/// the automatic commit.
inline constexpr qk::ToolAttributeDef COMPONENT_ALIGN_ATTRIBUTES[] = {
    {ATTR_OFFSET_X, "offset_x", LXsTYPE_DISTANCE},
    {ATTR_OFFSET_Y, "offset_y", LXsTYPE_DISTANCE},
    {ATTR_OFFSET_Z, "offset_z", LXsTYPE_DISTANCE},
    {ATTR_ALIGN_X, "align_x", LXsTYPE_BOOLEAN},
    {ATTR_ALIGN_Y, "align_y", LXsTYPE_BOOLEAN},
    {ATTR_ALIGN_Z, "align_z", LXsTYPE_BOOLEAN},
    {ATTR_MOVE_AS_GROUP, "move_as_group", LXsTYPE_BOOLEAN},
    {ATTR_SHOW_DIMS, "show_dims", LXsTYPE_BOOLEAN},
    {ATTR_TARGET_IS_ORIGIN, "target_is_origin", LXsTYPE_BOOLEAN},
    {ATTR_POLYGON_PROJECTION, "polygon_projection", LXsTYPE_BOOLEAN},
    {ATTR_AUTO_JUMP_MODE, "auto_jump_mode", LXsTYPE_BOOLEAN},
};
static_assert(std::size(COMPONENT_ALIGN_ATTRIBUTES) == ATTR_COUNT &&
                  qk::IsDeclarationOrder(COMPONENT_ALIGN_ATTRIBUTES),
              "one row per attribute, in declaration order");

class CgORVA_ComponentAlignAToB : public qk::AlignToolFrame {
public:
    CgORVA_ComponentAlignAToB();
    ~CgORVA_ComponentAlignAToB() override;
    static void initialize();

    /// Offsets 0, align switches, "move_as_group" and "show_dims" on; the move withdrawn.
    void tool_Reset() override;
    /// Acts on the last user change, lets the switches follow the offsets and, once applying, writes
    /// every moved vertex in its own item's space from its position at activation (3D views only).
    /// An item that cannot take the move (a position beyond single precision, or a move off the plane
    /// of an item scaled to 0 on an axis) keeps its points, and the log says why. "target_is_origin"
    /// sends B to the world origin; B's own vertex then moves with the others.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Picks A and B from the vertex selection (or A alone, aligned to the B of an earlier
    /// activation); an activation that finds nothing to align is invalid and logs why.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    bool TracksChange(unsigned index) const override;
    bool AutoJump() override { return dyna_Bool(ATTR_AUTO_JUMP_MODE); }

private:
    // The activation's selected vertices and item transforms, and the steps that work on them.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_ComponentAlignAToB
