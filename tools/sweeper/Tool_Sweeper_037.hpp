// The Sweeper tool "gORVA.Sweeper": sweeps a profile (a built-in moulding or timber outline, or a
// polygon of a second mesh layer) along the selected vertices. The first press builds the path; from
// then on every evaluation writes the swept mesh with the part "gORVA__Sweeper_Geometry" and UVs in
// "Texture". Handles move the profile in its plane, snap a box corner or a profile point onto the path's
// first point, and turn and size it onto a picked polygon's vertex. The geometry lives in
// Tool_Sweeper_Profiles_01, Tool_Sweeper_Path and Tool_Sweeper_Output, the scene reads and writes in
// Tool_Sweeper_Layers; this file is the host side: attributes, events, evaluation order and drawing.
#pragma once

#include <memory>
#include <vector>

#include "Tool_Sweeper_Path.hpp"
#include "Tool_Sweeper_Profiles_01.hpp"
#include "qk_tool_frame.hpp"

namespace gORVA_Tools_Sweeper {

/// Registers the tool under "gORVA.Sweeper".
void initialize();

/// Attribute indices, in declaration order (see SWEEPER_ATTRIBUTES).
enum SweeperAttr : unsigned {
    ATTRs_HANDLE_BBOX_TRX,
    ATTRs_HANDLE_BBOX_TRY,
    ATTRs_HANDLE_BBOX_TRZ,
    ATTRs_HANDLE_BBOX_BRX,
    ATTRs_HANDLE_BBOX_BRY,
    ATTRs_HANDLE_BBOX_BRZ,
    ATTRs_HANDLE_BBOX_TLX,
    ATTRs_HANDLE_BBOX_TLY,
    ATTRs_HANDLE_BBOX_TLZ,
    ATTRs_HANDLE_BBOX_BLX,
    ATTRs_HANDLE_BBOX_BLY,
    ATTRs_HANDLE_BBOX_BLZ,
    ATTRs_SPIN_INDEX,
    ATTRs_CLOSE_LOOP,
    ATTRs_SIZE_X,
    ATTRs_SIZE_Y,
    ATTRs_SPIN_90_CW,
    ATTRs_SPIN_90_CCW,
    ATTRs_SHOW_DIMS,
    ATTRs_CAP_ENDS,
    ATTRs_UNIFORM_SCALING,
    ATTRs_RESET_SCALING,
    ATTRs_ROTATION_ANGLE,
    ATTRs_UVS_STACK,
    ATTRs_PATH_START_END_TYPE,
    ATTRs_PATH_FINISH_END_TYPE,
    ATTRs_MIRROR_END_TYPE,
    ATTRs_RESET_PATH_ENDS,
    ATTRs_MAKE_UVS,
    ATTRs_EXTEND_PATH_START,
    ATTRs_EXTEND_PATH_END,
    ATTRs_PROFILE_SHAPE,
    ATTRs_SNAP_PROFILE_POINT_TO_PATH,
    ATTRs_OFFSET_SNAP_POS_X,
    ATTRs_OFFSET_SNAP_POS_Y,
    ATTRs_RESET_SIZE_ON_PROFILE_CHANGE,
    ATTRs_TIMBER_SIZE_PRESETS_A,
    ATTRs_TIMBER_SIZE_PRESETS_B,
    ATTRs_PROFILE_FLIP_DIM_A,
    ATTRs_PROFILE_FLIP_DIM_B,
    ATTRs_COUNT
};

/// The popups: profile shapes, the two end types, the two timber preset lists.
inline constexpr qk::PopupDef PROFILE_SHAPE_POPUP{
    qk::profiles::PROFILE_SHAPE_NAMES, qk::profiles::PROFILE_SHAPE_COUNT, "gorva-sweeper-profile-shape"};
inline constexpr qk::PopupDef START_END_TYPE_POPUP{PATH_END_TYPE_NAMES, 3, "gorva-sweeper-end-type"};
inline constexpr qk::PopupDef FINISH_END_TYPE_POPUP{PATH_END_TYPE_NAMES, 3, "gorva-sweeper-end-type"};
inline constexpr qk::PopupDef TIMBER_PRESET_A_POPUP{qk::profiles::TIMBER_PRESET_NAMES_A,
                                                    qk::profiles::TIMBER_PRESET_LAST_A + 1,
                                                    qk::profiles::TIMBER_PRESETS_A_TYPE};
inline constexpr qk::PopupDef TIMBER_PRESET_B_POPUP{qk::profiles::TIMBER_PRESET_NAMES_B,
                                                    qk::profiles::TIMBER_PRESET_LAST_B + 1,
                                                    qk::profiles::TIMBER_PRESETS_B_TYPE};

/// The tool's attributes: the profile box's corner handles (world space), the path ends, the profile's
/// size, shape, spin, flips and rotation, the output options and the one-shot buttons.
inline constexpr qk::ToolAttributeDef SWEEPER_ATTRIBUTES[] = {
    {ATTRs_HANDLE_BBOX_TRX, "trX", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_TRY, "trY", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_TRZ, "trZ", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BRX, "brX", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BRY, "brY", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BRZ, "brZ", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_TLX, "tlX", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_TLY, "tlY", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_TLZ, "tlZ", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BLX, "blX", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BLY, "blY", LXsTYPE_FLOAT},
    {ATTRs_HANDLE_BBOX_BLZ, "blZ", LXsTYPE_FLOAT},
    {ATTRs_SPIN_INDEX, "spin_index", LXsTYPE_BOOLEAN},
    {ATTRs_CLOSE_LOOP, "close_loop", LXsTYPE_BOOLEAN},
    {ATTRs_SIZE_X, "size_a", LXsTYPE_DISTANCE},
    {ATTRs_SIZE_Y, "size_b", LXsTYPE_DISTANCE},
    {ATTRs_SPIN_90_CW, "spin_cw", LXsTYPE_BOOLEAN},
    {ATTRs_SPIN_90_CCW, "spin_ccw", LXsTYPE_BOOLEAN},
    {ATTRs_SHOW_DIMS, "show_dims", LXsTYPE_BOOLEAN},
    {ATTRs_CAP_ENDS, "cap_ends", LXsTYPE_BOOLEAN},
    {ATTRs_UNIFORM_SCALING, "uniform_scaling", LXsTYPE_BOOLEAN},
    {ATTRs_RESET_SCALING, "reset_scale", LXsTYPE_BOOLEAN},
    {ATTRs_ROTATION_ANGLE, "rotation_angle", LXsTYPE_ANGLE},
    {ATTRs_UVS_STACK, "uvs_stack", LXsTYPE_BOOLEAN},
    {ATTRs_PATH_START_END_TYPE, "start_end_type", LXsTYPE_INTEGER, &START_END_TYPE_POPUP,
     qk::AttributeLimits::Range(END_TYPE_PATH, END_TYPE_VERTICAL)},
    {ATTRs_PATH_FINISH_END_TYPE, "finish_end_type", LXsTYPE_INTEGER, &FINISH_END_TYPE_POPUP,
     qk::AttributeLimits::Range(END_TYPE_PATH, END_TYPE_VERTICAL)},
    {ATTRs_MIRROR_END_TYPE, "mirror_end_type", LXsTYPE_BOOLEAN},
    {ATTRs_RESET_PATH_ENDS, "reset_path_ends", LXsTYPE_BOOLEAN},
    {ATTRs_MAKE_UVS, "make_uvs", LXsTYPE_BOOLEAN},
    {ATTRs_EXTEND_PATH_START, "extend_path_start", LXsTYPE_DISTANCE},
    {ATTRs_EXTEND_PATH_END, "extend_path_end", LXsTYPE_DISTANCE},
    {ATTRs_PROFILE_SHAPE, "profile_shape", LXsTYPE_INTEGER, &PROFILE_SHAPE_POPUP,
     qk::AttributeLimits::Range(qk::profiles::PROFILE_RECTANGLE, qk::profiles::PROFILE_CUSTOM)},
    {ATTRs_SNAP_PROFILE_POINT_TO_PATH, "snap_point_to_path", LXsTYPE_BOOLEAN},
    {ATTRs_OFFSET_SNAP_POS_X, "offset_snap_x", LXsTYPE_FLOAT},
    {ATTRs_OFFSET_SNAP_POS_Y, "offset_snap_y", LXsTYPE_FLOAT},
    {ATTRs_RESET_SIZE_ON_PROFILE_CHANGE, "auto_size", LXsTYPE_BOOLEAN},
    {ATTRs_TIMBER_SIZE_PRESETS_A, "timber_presets_a", LXsTYPE_INTEGER, &TIMBER_PRESET_A_POPUP,
     qk::AttributeLimits::Range(0, qk::profiles::TIMBER_PRESET_LAST_A)},
    {ATTRs_TIMBER_SIZE_PRESETS_B, "timber_presets_b", LXsTYPE_INTEGER, &TIMBER_PRESET_B_POPUP,
     qk::AttributeLimits::Range(0, qk::profiles::TIMBER_PRESET_LAST_B)},
    {ATTRs_PROFILE_FLIP_DIM_A, "profile_flip_axis_a", LXsTYPE_BOOLEAN},
    {ATTRs_PROFILE_FLIP_DIM_B, "profile_flip_axis_b", LXsTYPE_BOOLEAN},
};
static_assert(std::size(SWEEPER_ATTRIBUTES) == ATTRs_COUNT && qk::IsDeclarationOrder(SWEEPER_ATTRIBUTES),
              "one row per attribute, in declaration order");

/// Help page shown with the tool's warnings.
inline constexpr const char *SWEEPER_HELP_URL = "file:doc/gorva/sweeper.html";

class CgORVA_SweeperTool : public qk::ToolFrame {
public:
    CgORVA_SweeperTool();
    ~CgORVA_SweeperTool() override;
    static void initialize();

    /// Writes no defaults: unset attributes keep the host's zero values (sizes are set at set-up).
    void tool_Reset() override {}
    /// Acts on the last changed attribute, restores the path ends, places the profile and writes the
    /// swept mesh (3D views only, once the path is built); writes nothing when the sweep cannot be made.
    void tool_Evaluate(ILxUnknownID vts) override;
    /// Starts an activation: rotation, spins and snap offsets to 0 through the adjust-tool object (the
    /// tool is disabled for the activation without one), no path, identity profile matrices.
    void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override;
    /// The first press builds the path (a failure disables the tool for the activation and says why);
    /// later presses pick handles, snap corners or profile points and jump onto polygons.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    /// Releasing a corner chosen as snap source moves the handles onto the path's first point.
    void tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) override;
    /// Forgets the path.
    LxResult tmod_Drop() override;
    bool atrui_Enabled(unsigned index, CLxUser_Message &msg) override;

protected:
    std::vector<qk::ToolEnableCheck> EnableChecks() const override;
    /// The attributes a user or script change of which the next evaluation acts on.
    bool TracksChange(unsigned index) const override;
    void DrawHandles(qk::ToolDrawContext &ctx) override;
    bool HandlePosition(int part, LXtVector pos) override;
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) override;

private:
    // The activation's path, profile, snap and output, and the steps that work on them.
    struct Session;
    std::unique_ptr<Session> m_session;
};

}  // namespace gORVA_Tools_Sweeper
