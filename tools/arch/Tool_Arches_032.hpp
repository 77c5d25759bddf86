// The Arch tool "gORVA.Arch": places an arch opening in the primary mesh layer. A first press puts
// it at the action centre on the work plane, three handles (span start, span end, crown) reshape it,
// and each evaluation writes the arch of the chosen type and geometry mode as new polygons tagged
// with the part "gORVA__Arches". The curves are in Tool_Arches_Curves, the frame math in
// Tool_Arches_Frame; this file is the host side: attributes, events, drawing and mesh output.
#pragma once

#include <memory>
#include <vector>

#include "Tool_Arches_Curves.hpp"
#include "Tool_Arches_Frame.hpp"
#include "qk_tool_frame.hpp"

namespace gORVA_Tools_Arch {

/// Registers the tool under "gORVA.Arch".
void initialize();

/// Attribute indices, in declaration order (see ARCH_ATTRIBUTES).
enum ArchAttr : unsigned {
    ATTR_CROWN_X,
    ATTR_CROWN_Y,
    ATTR_CROWN_Z,
    ATTR_SPAN_START_X,
    ATTR_SPAN_START_Y,
    ATTR_SPAN_START_Z,
    ATTR_SPAN_END_X,
    ATTR_SPAN_END_Y,
    ATTR_SPAN_END_Z,
    ATTR_ARCH_TYPE,
    ATTR_GEOMETRY_MODE,
    ATTR_SEGMENTS,
    ATTR_HEIGHT,
    ATTR_SPAN,
    ATTR_CENTRE_TO_ORIGIN,
    ATTR_OFFSET_X,
    ATTR_OFFSET_Y,
    ATTR_OFFSET_Z,
    ATTR_INTRA_EXTRADOS_DIST,
    ATTR_SPIN_CW,
    ATTR_SPIN_ACW,
    ATTR_COUNT
};

/// The "arch_type" and "arch_geometry_mode" popups.
inline constexpr qk::PopupDef ARCH_TYPE_POPUP{ARCH_TYPE_NAMES, 9, "gorva-arch-type"};
inline constexpr qk::PopupDef ARCH_GEOMETRY_MODE_POPUP{ARCH_GEOMETRY_MODE_NAMES, 5, "gorva-arch-geo-type"};

/// The tool's attributes: handle positions (tool space), the arch's shape, the recorded action
/// centre and the one-shot spins.
inline constexpr qk::ToolAttributeDef ARCH_ATTRIBUTES[] = {
    {ATTR_CROWN_X, "crownX", LXsTYPE_FLOAT},
    {ATTR_CROWN_Y, "crownY", LXsTYPE_FLOAT},
    {ATTR_CROWN_Z, "crownZ", LXsTYPE_FLOAT},
    {ATTR_SPAN_START_X, "span_startX", LXsTYPE_FLOAT},
    {ATTR_SPAN_START_Y, "span_startY", LXsTYPE_FLOAT},
    {ATTR_SPAN_START_Z, "span_startZ", LXsTYPE_FLOAT},
    {ATTR_SPAN_END_X, "span_endX", LXsTYPE_FLOAT},
    {ATTR_SPAN_END_Y, "span_endY", LXsTYPE_FLOAT},
    {ATTR_SPAN_END_Z, "span_endZ", LXsTYPE_FLOAT},
    {ATTR_ARCH_TYPE, "arch_type", LXsTYPE_INTEGER, &ARCH_TYPE_POPUP,
     qk::AttributeLimits::Range(ARCH_SEMI, ARCH_ELLIPTICAL)},
    {ATTR_GEOMETRY_MODE, "arch_geometry_mode", LXsTYPE_INTEGER, &ARCH_GEOMETRY_MODE_POPUP},
    {ATTR_SEGMENTS, "arch_segments", LXsTYPE_INTEGER},
    {ATTR_HEIGHT, "arch_height", LXsTYPE_DISTANCE, nullptr, qk::AttributeLimits::AtLeast(ARCH_MIN_DISTANCE)},
    {ATTR_SPAN, "arch_span", LXsTYPE_DISTANCE, nullptr, qk::AttributeLimits::AtLeast(ARCH_MIN_DISTANCE)},
    {ATTR_CENTRE_TO_ORIGIN, "arch_centre_to_origin", LXsTYPE_BOOLEAN},
    {ATTR_OFFSET_X, "offsetX", LXsTYPE_FLOAT},
    {ATTR_OFFSET_Y, "offsetY", LXsTYPE_FLOAT},
    {ATTR_OFFSET_Z, "offsetZ", LXsTYPE_FLOAT},
    {ATTR_INTRA_EXTRADOS_DIST, "intra_extrados_dist", LXsTYPE_DISTANCE, nullptr,
     qk::AttributeLimits::AtLeast(ARCH_MIN_DISTANCE)},
    {ATTR_SPIN_CW, "spin_cw", LXsTYPE_BOOLEAN},
    {ATTR_SPIN_ACW, "spin_acw", LXsTYPE_BOOLEAN},
};
static_assert(std::size(ARCH_ATTRIBUTES) == ATTR_COUNT && qk::IsDeclarationOrder(ARCH_ATTRIBUTES),
              "one row per attribute, in declaration order");

/// Handle parts.
enum ArchHandle : int { PART_CROWN = 10000, PART_SPAN_END = 10001, PART_SPAN_START = 10002 };

/// Part tag of every polygon the tool writes.
inline constexpr const char *ARCH_PART_NAME = "gORVA__Arches";
/// Help page shown with the tool's warnings.
inline constexpr const char *ARCH_HELP_URL = "file:doc/gorva/arch.html";

class CgORVA_ArchTool : public qk::ToolFrame {
public:
    CgORVA_ArchTool();
    ~CgORVA_ArchTool() override;
    static void initialize();

    /// Writes the defaults: semi, polygon, 20 segments, height 1 m, span 2 m, spins off.
    void tool_Reset() override;
    /// Builds the arch from the attributes and writes it into the primary layer (3D views only,
    /// once the handles are placed); writes nothing when a point would not fit the mesh.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Records the action centre, reads the primary layer's item and the work plane into the arch's
    /// frame, and waits for the first press.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;
    /// The first press places the arch at the action centre, tiny, with the pressed handle following
    /// the mouse; later presses pick a handle to drag.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    void tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) override;
    const char *tmod_Haul(unsigned index) override;
    bool atrui_Enabled(unsigned index, CLxUser_Message &msg) override;

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    void DrawHandles(qk::ToolDrawContext &ctx) override;
    bool HandlePosition(int part, LXtVector pos) override;
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) override;

private:
    // The activation's arch frame and placement, and the steps that work on them.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_Arch
