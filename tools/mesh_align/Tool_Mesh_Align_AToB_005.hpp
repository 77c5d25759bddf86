// The mesh align tool "gORVA.MeshAlignAToB": moves the whole mesh of a vertex A's item so that A lands
// on a target measured from a vertex B, with the offsets, align switches, handles and labels of the
// component align tool. A and B are the first two distinct selected vertices; a switch swaps them.
// Only A's item moves; B's and every other item's mesh stay as they are.
#pragma once

#include <memory>
#include <vector>

#include "qk_align_tool.hpp"

namespace gORVA_Tools_MeshAlignAToB {

/// Registers the tool under "gORVA.MeshAlignAToB".
void initialize();

/// Attribute indices, in declaration order (see MESH_ALIGN_ATTRIBUTES).
enum MeshAlignAttr : unsigned {
    ATTR_OFFSET_X,
    ATTR_OFFSET_Y,
    ATTR_OFFSET_Z,
    ATTR_ALIGN_X,
    ATTR_ALIGN_Y,
    ATTR_ALIGN_Z,
    ATTR_SWAP_DIRECTION,
    ATTR_SHOW_DIMS,
    ATTR_TARGET_IS_ORIGIN,
    ATTR_COUNT
};
static_assert(ATTR_OFFSET_X == qk::ALIGN_ATTR_OFFSET_X && ATTR_ALIGN_X == qk::ALIGN_ATTR_ALIGN_X &&
                  ATTR_SHOW_DIMS == qk::ALIGN_ATTR_SHOW_DIMS &&
                  ATTR_TARGET_IS_ORIGIN == qk::ALIGN_ATTR_TARGET_IS_ORIGIN,
              "the shared attributes sit where both align tools declare them");

/// The tool's attributes: offsets of the target from B (metres), the per-axis align switches, the
/// one-shot swap, the label switch and the one-shot origin target.
inline constexpr qk::ToolAttributeDef MESH_ALIGN_ATTRIBUTES[] = {
    {ATTR_OFFSET_X, "offset_x", LXsTYPE_DISTANCE},
    {ATTR_OFFSET_Y, "offset_y", LXsTYPE_DISTANCE},
    {ATTR_OFFSET_Z, "offset_z", LXsTYPE_DISTANCE},
    {ATTR_ALIGN_X, "align_x", LXsTYPE_BOOLEAN},
    {ATTR_ALIGN_Y, "align_y", LXsTYPE_BOOLEAN},
    {ATTR_ALIGN_Z, "align_z", LXsTYPE_BOOLEAN},
    {ATTR_SWAP_DIRECTION, "swap_direction", LXsTYPE_BOOLEAN},
    {ATTR_SHOW_DIMS, "show_dims", LXsTYPE_BOOLEAN},
    {ATTR_TARGET_IS_ORIGIN, "target_is_origin", LXsTYPE_BOOLEAN},
};
static_assert(std::size(MESH_ALIGN_ATTRIBUTES) == ATTR_COUNT && qk::IsDeclarationOrder(MESH_ALIGN_ATTRIBUTES),
              "one row per attribute, in declaration order");

class CgORVA_MeshAlignAToB : public qk::AlignToolFrame {
public:
    CgORVA_MeshAlignAToB();
    ~CgORVA_MeshAlignAToB() override;
    static void initialize();

    /// Offsets 0, align switches and "show_dims" on; the next activation needs a destination of its
    /// own. The current activation's A, B and apply flag stay.
    void tool_Reset() override;
    /// Acts on the last user change ("swap_direction" exchanges A and B, "target_is_origin" sends B to
    /// the world origin), lets the switches follow the offsets and, once applying, moves every point
    /// of A's mesh by the displacement in that item's space (3D views only). Writes nothing, and logs
    /// why, when a moved point would not fit the mesh or the move leaves the plane of an item scaled
    /// to 0 on an axis.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Picks A and B as the first two distinct selected vertices (or A alone, aligned to the B of an
    /// earlier activation); an activation that finds nothing to align is invalid and logs why.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    bool TracksChange(unsigned index) const override;

private:
    // Whether the target is the origin, and the steps of an activation and its evaluation.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_MeshAlignAToB
