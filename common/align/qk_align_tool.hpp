// What the component and mesh align tools share on the host side: the attributes both declare at the
// same places (offsets, align switches, "show_dims", "target_is_origin"), the source A and destination
// B, the offset and switch rules applied to the attributes, the presses on the target and switch
// handles, the drawing, and reading the selected vertices and the items' world matrices. The geometry
// itself is in qk_align.
#pragma once

#include <string>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "qk_align.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_tool_frame.hpp"

namespace qk {

/// Attribute indices the two align tools share; each tool's table declares them at these places.
inline constexpr unsigned ALIGN_ATTR_OFFSET_X = 0;  ///< then Y, Z
inline constexpr unsigned ALIGN_ATTR_ALIGN_X = 3;   ///< then Y, Z
inline constexpr unsigned ALIGN_ATTR_SHOW_DIMS = 7;
inline constexpr unsigned ALIGN_ATTR_TARGET_IS_ORIGIN = 8;

/// The align tools' tmod_Flags word.
inline constexpr unsigned ALIGN_MODEL_FLAGS = LXfTMOD_MODELSPACE | LXfTMOD_DRAW_3D | LXfTMOD_I0_INPUT;

/// One selected vertex: its identifier, its position as stored in its mesh (widened to double), its
/// world position, and the identity of its mesh item. `read` is false when the vertex could not be
/// read (the rest is then empty); `placed` says the world position came from the item's world matrix.
struct SelectedVertex {
    LXtPointID id = nullptr;
    qk::math::Vector3 local;
    qk::math::Vector3 world;
    std::string item;
    bool read = false;
    bool placed = false;
};

/// True when at least two vertices are selected.
bool HasTwoSelectedVertices();
/// True when at least one vertex is selected.
bool HasOneSelectedVertex();

/// Base of the two align tools: the shared state, rules, presses and drawing on the tool frame.
class AlignToolFrame : public ToolFrame {
public:
    /// The frame of an align tool: packets "ToolViewEvent", "ToolInputEvent", "toolEventTranslate",
    /// "tool.xfrm", model flags 0x54, and the tool's attribute table.
    AlignToolFrame(const char *table, const ToolAttributeDef *attributes, std::size_t count,
                   align::AlignTool kind);

    /// A press on the target handle (10000) toggles the apply flag; one on a switch handle (10001 to
    /// 10003) toggles that axis's align switch through the adjust-tool object. No drag follows
    /// (LXe_FALSE); LXe_TRUE, with nothing done, when the activation is invalid or a packet is missing.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) override {}
    void tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) override {}
    const char *tmod_Haul(unsigned index) override { return nullptr; }
    /// False when the last activation found nothing to align: the tool then draws, hits and writes
    /// nothing.
    bool Valid() const { return !m_invalid; }
    /// A and B in world space (metres).
    const qk::math::Vector3 &SourcePosition() const { return m_source.world; }
    const qk::math::Vector3 &DestinationPosition() const { return m_destination.world; }
    /// True once the move is to be written (the target handle was pressed, or auto jump).
    bool Applying() const { return m_apply; }

protected:
    /// True for the attributes whose user change the next evaluation acts on.
    bool TracksChange(unsigned index) const override = 0;
    /// True when the move is written on every evaluation and the target is not drawn.
    virtual bool AutoJump() { return false; }

    /// Writes the shared defaults: offsets 0, align switches and "show_dims" on.
    void ResetSharedAttributes();

    /// Recomputes one axis's offset (0 X, 1 Y, 2 Z) from A, B and its switch.
    void AdjustOffsetFromDestination(int axis);
    void AdjustOffsets();
    /// Switches the three align switches on and recomputes the offsets: the target is B itself.
    void AlignAllAxes();
    /// Switches follow the typed offsets, then the move for the offsets. False when it is not finite.
    bool FollowOffsets(align::AlignMove &move);
    /// The target for the offsets as they stand. False when it is not finite.
    bool CurrentMove(align::AlignMove &move);
    /// True when the attribute reads on; a change that switched it off asks for nothing.
    bool IsOn(unsigned index) { return dyna_Bool(index); }

    /// Reads the vertex selection in selection order, one entry per selected vertex.
    std::vector<SelectedVertex> ReadVertexSelection();
    /// Marks the activation invalid and says why in the log; returns false.
    bool Invalidate(const char *why);

    void DrawHandles(ToolDrawContext &ctx) override;

    SelectedVertex m_source;
    SelectedVertex m_destination;
    bool m_apply = false;
    bool m_invalid = false;
    bool m_destinationSet = false;

private:
    align::AlignView ViewFor(ToolDrawContext &ctx, bool workPlane);
    void DrawMarker(ToolDrawContext &ctx, const align::Marker &marker, bool workPlane);
    void DrawLabel(ToolDrawContext &ctx, const align::Label &label);
    void DrawSwitches(ToolDrawContext &ctx, const align::AlignDrawing &d);

    align::AlignTool m_kind;
};

}  // namespace qk
