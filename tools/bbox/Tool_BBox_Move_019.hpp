// The bounding-box move and level tool "gORVA.BBox": shows the world box of the selected vertices,
// edges or polygons of the active layers as eight corner handles. Dragging a corner moves the whole
// selection; the move can keep its height, or put the box's bottom at a chosen height, and the box
// top can be picked up as that height. The box, drag and edge geometry is in Tool_BBox_Move_Geometry;
// this file is the host side: attributes, visitors, events, drawing and the mesh edit.
#pragma once

#include <memory>
#include <vector>

#include "Tool_BBox_Move_Geometry.hpp"
#include "qk_tool_frame.hpp"

namespace gORVA_Tools_BBox {

/// Registers the tool under "gORVA.BBox".
void initialize();

/// Attribute indices, in declaration order (see BBOX_ATTRIBUTES).
enum BBoxAttr : unsigned {
    ATTR_P0X,
    ATTR_P0Y,
    ATTR_P0Z,
    ATTR_P1X,
    ATTR_P1Y,
    ATTR_P1Z,
    ATTR_P2X,
    ATTR_P2Y,
    ATTR_P2Z,
    ATTR_P3X,
    ATTR_P3Y,
    ATTR_P3Z,
    ATTR_P4X,
    ATTR_P4Y,
    ATTR_P4Z,
    ATTR_P5X,
    ATTR_P5Y,
    ATTR_P5Z,
    ATTR_P6X,
    ATTR_P6Y,
    ATTR_P6Z,
    ATTR_P7X,
    ATTR_P7Y,
    ATTR_P7Z,
    ATTR_CENTER_X,
    ATTR_CENTER_Y,
    ATTR_CENTER_Z,
    ATTR_LOCK_HEIGHT,
    ATTR_SET_HEIGHT,
    ATTR_HEIGHT,
    ATTR_GET_HEIGHT,
    ATTR_DX,
    ATTR_DY,
    ATTR_DZ,
    ATTR_COUNT
};

/// The tool's attributes: the eight corner handles (world space, corner k at 3k), an unused centre,
/// the height switches, the target height (metres) and the total move of the selection (world space).
inline constexpr qk::ToolAttributeDef BBOX_ATTRIBUTES[] = {
    {ATTR_P0X, "P0x", LXsTYPE_FLOAT},
    {ATTR_P0Y, "P0y", LXsTYPE_FLOAT},
    {ATTR_P0Z, "P0z", LXsTYPE_FLOAT},
    {ATTR_P1X, "P1x", LXsTYPE_FLOAT},
    {ATTR_P1Y, "P1y", LXsTYPE_FLOAT},
    {ATTR_P1Z, "P1z", LXsTYPE_FLOAT},
    {ATTR_P2X, "P2x", LXsTYPE_FLOAT},
    {ATTR_P2Y, "P2y", LXsTYPE_FLOAT},
    {ATTR_P2Z, "P2z", LXsTYPE_FLOAT},
    {ATTR_P3X, "P3x", LXsTYPE_FLOAT},
    {ATTR_P3Y, "P3y", LXsTYPE_FLOAT},
    {ATTR_P3Z, "P3z", LXsTYPE_FLOAT},
    {ATTR_P4X, "P4x", LXsTYPE_FLOAT},
    {ATTR_P4Y, "P4y", LXsTYPE_FLOAT},
    {ATTR_P4Z, "P4z", LXsTYPE_FLOAT},
    {ATTR_P5X, "P5x", LXsTYPE_FLOAT},
    {ATTR_P5Y, "P5y", LXsTYPE_FLOAT},
    {ATTR_P5Z, "P5z", LXsTYPE_FLOAT},
    {ATTR_P6X, "P6x", LXsTYPE_FLOAT},
    {ATTR_P6Y, "P6y", LXsTYPE_FLOAT},
    {ATTR_P6Z, "P6z", LXsTYPE_FLOAT},
    {ATTR_P7X, "P7x", LXsTYPE_FLOAT},
    {ATTR_P7Y, "P7y", LXsTYPE_FLOAT},
    {ATTR_P7Z, "P7z", LXsTYPE_FLOAT},
    {ATTR_CENTER_X, "centerX", LXsTYPE_FLOAT},
    {ATTR_CENTER_Y, "centerY", LXsTYPE_FLOAT},
    {ATTR_CENTER_Z, "centerZ", LXsTYPE_FLOAT},
    {ATTR_LOCK_HEIGHT, "Lock_Height", LXsTYPE_BOOLEAN},
    {ATTR_SET_HEIGHT, "Set_Height", LXsTYPE_BOOLEAN},
    {ATTR_HEIGHT, "Height", LXsTYPE_DISTANCE},
    {ATTR_GET_HEIGHT, "Get_Height", LXsTYPE_BOOLEAN},
    {ATTR_DX, "dx", LXsTYPE_FLOAT},
    {ATTR_DY, "dy", LXsTYPE_FLOAT},
    {ATTR_DZ, "dz", LXsTYPE_FLOAT},
};
static_assert(std::size(BBOX_ATTRIBUTES) == ATTR_COUNT && qk::IsDeclarationOrder(BBOX_ATTRIBUTES),
              "one row per attribute, in declaration order");

/// Help page shown with the tool's warnings.
inline constexpr const char *BBOX_HELP_URL = "file:doc/gorva/bbox.html";

class CgORVA_BBoxTool : public qk::ToolFrame {
public:
    CgORVA_BBoxTool();
    ~CgORVA_BBoxTool() override;
    static void initialize();

    /// Height switches off, "Height" 0, no move; then the item transforms, the box and the handles
    /// afresh.
    void tool_Reset() override;
    /// Copies the box top into "Height" when "Get_Height" asks, then moves the selection of every
    /// active layer by the total move in the layer's own space (3D views only, unless disabled). A
    /// layer that cannot take the move (a point would leave single precision, or the move leaves the
    /// plane of an item scaled to 0 on an axis) stays where it is and the log says which and why; the
    /// other layers move.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Clears the move, reads the item transforms, checks the work plane and places the handles on the
    /// selection's box.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;
    /// Refused (LXe_FALSE) once the work plane has disabled the tool; otherwise the frame's press.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    bool atrui_Enabled(unsigned index, CLxUser_Message &msg) override;

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    void DrawHandles(qk::ToolDrawContext &ctx) override;
    bool HandlePosition(int part, LXtVector pos) override;
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) override;

private:
    // The up axis, the layers' transforms, the box and the work plane verdict of an activation, and
    // the steps that work on them.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_BBox
