// The vector scale tool "gORVA.Scale": scales the active meshes about the centre of their box, each
// layer about its own or all together ("group"), by a uniform factor, by the target length of a
// reference line (two selected vertices or one selected edge) or to a target box size along X, Y or Z,
// and can centre the result on the origin and rest it on the ground. It shows the reference line with
// its length, warnings about coinciding points, and the box's dimensions. The line, the scaling rules
// and the display geometry are in Tool_Vector_Scale_Geometry; this file is the host side.
#pragma once

#include <memory>
#include <vector>

#include "Tool_Vector_Scale_Geometry.hpp"
#include "qk_tool_frame.hpp"

namespace gORVA_Tools_Scale {

/// Registers the tool under "gORVA.Scale".
void initialize();

/// Attribute indices, in declaration order (see SCALE_ATTRIBUTES).
enum ScaleAttr : unsigned {
    ATTR_P1X,
    ATTR_P1Y,
    ATTR_P1Z,
    ATTR_P2X,
    ATTR_P2Y,
    ATTR_P2Z,
    ATTR_ANCHOR_X,
    ATTR_ANCHOR_Y,
    ATTR_ANCHOR_Z,
    ATTR_SCALE_FACTOR,
    ATTR_LENGTH,
    ATTR_CENTRE_AT_ORIGIN,
    ATTR_USE_ANCHOR,
    ATTR_REST_ON_GROUND,
    ATTR_SCALE_AXES,
    ATTR_GROUP,
    ATTR_SHOW_DIMENSIONS,
    ATTR_DIMS_X,
    ATTR_DIMS_Y,
    ATTR_DIMS_Z,
    ATTR_COUNT
};

/// The "scale_axes" popup.
inline constexpr qk::PopupDef SCALE_AXES_POPUP{SCALE_AXES_NAMES, 7, SCALE_AXES_POPUP_TYPE};

/// The tool's attributes: the reference line's ends and an anchor (mesh space), the factor, the target
/// length (metres), the placement switches, the axes popup, grouping, the dimensions display and the
/// target box size per axis (metres). No limits: the evaluation clamps what it reads.
inline constexpr qk::ToolAttributeDef SCALE_ATTRIBUTES[] = {
    {ATTR_P1X, "p1X", LXsTYPE_FLOAT},
    {ATTR_P1Y, "p1Y", LXsTYPE_FLOAT},
    {ATTR_P1Z, "p1Z", LXsTYPE_FLOAT},
    {ATTR_P2X, "p2X", LXsTYPE_FLOAT},
    {ATTR_P2Y, "p2Y", LXsTYPE_FLOAT},
    {ATTR_P2Z, "p2Z", LXsTYPE_FLOAT},
    {ATTR_ANCHOR_X, "anchorX", LXsTYPE_FLOAT},
    {ATTR_ANCHOR_Y, "anchorY", LXsTYPE_FLOAT},
    {ATTR_ANCHOR_Z, "anchorZ", LXsTYPE_FLOAT},
    {ATTR_SCALE_FACTOR, "scale_factor", LXsTYPE_FLOAT},
    {ATTR_LENGTH, "length", LXsTYPE_DISTANCE},
    {ATTR_CENTRE_AT_ORIGIN, "centre_at_origin", LXsTYPE_BOOLEAN},
    {ATTR_USE_ANCHOR, "use_anchor", LXsTYPE_BOOLEAN},
    {ATTR_REST_ON_GROUND, "rest_on_ground", LXsTYPE_BOOLEAN},
    {ATTR_SCALE_AXES, "scale_axes", LXsTYPE_INTEGER, &SCALE_AXES_POPUP},
    {ATTR_GROUP, "group", LXsTYPE_BOOLEAN},
    {ATTR_SHOW_DIMENSIONS, "show_dimensions", LXsTYPE_BOOLEAN},
    {ATTR_DIMS_X, "dims_x", LXsTYPE_DISTANCE},
    {ATTR_DIMS_Y, "dims_y", LXsTYPE_DISTANCE},
    {ATTR_DIMS_Z, "dims_z", LXsTYPE_DISTANCE},
};
static_assert(std::size(SCALE_ATTRIBUTES) == ATTR_COUNT && qk::IsDeclarationOrder(SCALE_ATTRIBUTES),
              "one row per attribute, in declaration order");

class CgORVA_ScaleTool : public qk::ToolFrame {
public:
    CgORVA_ScaleTool();
    ~CgORVA_ScaleTool() override;
    static void initialize();

    /// Factor mode, factor 1 (remembered as 0.9 so that the next evaluation takes it as changed), all
    /// axes, dimensions shown, factors 1.
    void tool_Reset() override;
    /// Derives the factors from what the user changed and scales every active layer (3D views only).
    /// A size typed for an axis the box does not span is set back to 0; nothing is written when a
    /// result would not be finite or a point would leave the mesh's range. A change of "group"
    /// measures the reference box again first.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Finds the reference line, measures each layer's box and starts in factor mode with factor 1.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;
    /// The tool has no interactive handles: presses are refused.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override { return LXe_FALSE; }
    void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) override {}

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    bool TracksChange(unsigned index) const override;
    void DrawHandles(qk::ToolDrawContext &ctx) override;
    bool DrawsInEveryView() const override { return true; }

private:
    // The activation's reference line, layer boxes and scale memory, and the steps that work on them.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_Scale
