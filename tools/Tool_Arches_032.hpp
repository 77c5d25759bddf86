// The Arch tool "gORVA.Arch": places an arch opening in the primary mesh layer. A first press puts
// it at the action centre on the work plane, three handles (span start, span end, crown) reshape it,
// and each evaluation writes the arch of the chosen type and geometry mode as new polygons tagged
// with the part "gORVA__Arches".
#pragma once

#include <vector>

#include "Tool_Arches_Curves.hpp"
#include "qk_math.hpp"
#include "qk_tool_frame.hpp"
#include "qk_tool_spin_angle_tracker.hpp"

namespace gORVA_Tools_Arch {

/// Registers the tool under "gORVA.Arch".
LxResult initialize();

/// Attribute indices, in declaration order.
enum ArchAttr : unsigned {
    ATTR_CROWN_X = 0,
    ATTR_SPAN_START_X = 3,
    ATTR_SPAN_END_X = 6,
    ATTR_ARCH_TYPE = 9,
    ATTR_GEOMETRY_MODE = 10,
    ATTR_SEGMENTS = 11,
    ATTR_HEIGHT = 12,
    ATTR_SPAN = 13,
    ATTR_CENTRE_TO_ORIGIN = 14,
    ATTR_OFFSET_X = 15,
    ATTR_INTRA_EXTRADOS_DIST = 18,
    ATTR_SPIN_CW = 19,
    ATTR_SPIN_ACW = 20,
    ATTR_COUNT = 21
};

/// Handle parts.
enum ArchHandle : int { PART_CROWN = 10000, PART_SPAN_END = 10001, PART_SPAN_START = 10002 };

/// Part tag of every polygon the tool writes.
inline constexpr const char *ARCH_PART_NAME = "gORVA__Arches";
/// Help page shown with the tool's warnings.
inline constexpr const char *ARCH_HELP_URL = "file:doc/gorva/arch.html";

class CgORVA_ArchTool : public qk::ToolFrame {
public:
    CgORVA_ArchTool();
    static LxResult initialize();

    /// Writes the defaults: semi, polygon, 20 segments, height 1 m, span 2 m, spins off.
    void tool_Reset() override;
    /// Builds the arch from the attributes and writes it into the primary layer (3D views only,
    /// once the handles are placed).
    void tool_Evaluate(ILxUnknownID vts) override;
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;
    bool tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) override;
    void tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) override;
    const char *tmod_Haul(unsigned index) override;
    bool atrui_Enabled(unsigned index, CLxUser_Message &msg) override;
    LxResult atrui_UIHints(unsigned index, CLxUser_UIHints &hints) override;

    /// Writes the nine handle attributes through the adjust-tool object: span start at
    /// frame x (0, 0, 0), span end at frame x (span, 0, 0), crown at frame x (0, height, 0).
    void SetHandlePositions(double height, double span, const LXtMatrix4 frame, CLxUser_AdjustTool &adjust);
    /// As SetHandlePositions, writing the attributes directly.
    void SetHandlePositions2(double height, double span, const LXtMatrix4 frame);

    /// The arch frame D (rows right, up, forward, translation), for inspection.
    const qk::math::Matrix4 &ArchFrame() const { return m_D; }
    /// Quarter turns of the spin, 0..3.
    int SpinQuadrant() const { return m_spin.GetSectorAngleIndex(); }
    bool ReferenceFrameMode() const { return m_refFrameMode; }

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    void DrawHandles(qk::ToolDrawContext &ctx) override;
    bool HandlePosition(int part, LXtVector pos) override;
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) override;

private:
    qk::math::Vector3 AttrVector(unsigned first) const;
    void SetAttrVector(unsigned first, const qk::math::Vector3 &v);
    void AdjustAttrVector(CLxUser_AdjustTool &adjust, unsigned first, const qk::math::Vector3 &v);
    void ReadItemMatrices();
    void ReadToolTransform(ILxUnknownID vts);
    void PlaceDefault(CLxUser_View &view);
    void PlaceFirst(ILxUnknownID vts, CLxUser_AdjustTool &adjust);
    void ApplySpin();
    void RebuildFrame();
    void DrawLabels(qk::ToolDrawContext &ctx);
    void BuildLists(const ArchInputs &in, std::vector<Vector3> &main, std::vector<Vector3> &second) const;
    void WriteMesh(int mode, const std::vector<Vector3> &main, const std::vector<Vector3> &second);

    qk::PopupHints m_typeHints;
    qk::PopupHints m_modeHints;
    LXtMarkMode m_modeNone = 0;
    LXtMarkMode m_modeSelect = 0;

    bool m_firstPlacement = true;
    bool m_handlesPlaced = false;
    int m_axisCode = -1;
    qk::SpinAngleTracker m_spin;
    int m_lastNonStripMode = 0;
    bool m_refFrameMode = false;
    bool m_itemRef = false;

    qk::math::Matrix4 m_R, m_Rr, m_S, m_T, m_D;
    qk::math::Matrix4 m_world, m_wscl, m_wrot, m_wpos;
    qk::math::Matrix4 m_wsclInv, m_wrotInv, m_wposInv, m_itemInv;
    qk::math::Matrix4 m_X, m_Xinv;
};

}  // namespace gORVA_Tools_Arch
