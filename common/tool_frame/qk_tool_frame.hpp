// The anatomy every interactive tool of the module shares: the tool vector and its packets, the
// attributes declared from the tool's table, handle drawing and hit-testing through one
// DrawHandles, the press/drag protocol, the enable chain, modal warnings and distance labels.
// Registration and the attribute table are in qk_tool_attributes.hpp, mesh output in
// qk_mesh_writer.hpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_command.hpp"
#include "lx_draw.hpp"
#include "lx_log.hpp"
#include "lx_message.hpp"
#include "lx_handles.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_seltypes.hpp"
#include "lx_stddialog.hpp"
#include "lx_toolui.hpp"
#include "lx_value.hpp"
#include "lx_tool.hpp"
#include "lx_vector.hpp"
#include "lx_vmodel.hpp"
#include "lxidef.h"
#include "lxu_attributes.hpp"
#include "qk_math.hpp"
#include "qk_tool_attributes.hpp"

namespace qk {

/// Offset value of a packet whose lookup failed.
inline constexpr unsigned kNoPacket = ~0u;
/// Axis argument of a move handle that moves freely rather than along one of its matrix's axes.
inline constexpr int kFreeMoveAxis = -1;
/// Part of a press that hit no handle.
inline constexpr int kNoPart = -1;
/// First handle part; a tool's handles count up from here, one part each.
inline constexpr int kFirstHandlePart = 10000;
/// Flag words of a drawn handle, and of the hot one (the last pressed).
inline constexpr int kHandleFlags = LXi_THANDf_SMALL;
inline constexpr int kHotHandleFlags = LXi_THANDf_SMALL | LXi_THANDf_HOT;
/// Message code of a failed enable chain and of a modal warning.
inline constexpr LxResult kToolMessageCode = LXe_CMD_DISABLED;
/// Result of tmod_Enable when a check fails.
inline constexpr LxResult kToolDisabled = LXe_DISABLED;

/// One check of an enable chain: the test, the answer it must give, and the key reported when it
/// gives the other.
struct ToolEnableCheck {
    bool (*test)();
    bool expected;
    const char *key;
};

/// Runs the checks in order and stops at the first failure: sets the message's code to
/// 0x84800004 and its text to (table, key) and returns 0x80000019. Returns LXe_OK with the message
/// untouched when every check passes; a null message only loses the report.
LxResult RunToolEnableChain(ILxUnknownID message, const char *table,
                            const std::vector<ToolEnableCheck> &checks);

/// True when the tool transform packet says a work plane or reference system is in force (it
/// carries an offset or a matrix); false without the packet.
inline bool IsWorkPlaneActive(const LXpToolXfrm *xfrm) {
    return xfrm && (xfrm->flags & LXiTVXFMf_USEFUL) != 0;
}

/// True when the host's version is the one the module is built for (801).
bool IsSupportedModoVersion();

/// What a draw or hit-test pass draws with; Ready() is false unless every object is present.
struct ToolDrawContext {
    CLxUser_VectorStack vts;
    CLxUser_StrokeDraw stroke;
    CLxUser_HandleDraw handles;
    CLxUser_View view;
    int flags = 0;
    bool Ready() const { return vts.test() && stroke.test() && handles.test() && view.test(); }
    /// A vertex of the current stroke at an absolute position.
    void Vertex(qk::math::Vector3 pos) { stroke.Vert(pos, LXiSTROKE_ABSOLUTE); }
    /// An arrow handle from pos along direction (any length), `length` long: drawn as the
    /// handle's axis 0 of a frame whose row 0 is the unit direction.
    void AxisArrow(const qk::math::Vector3 &pos, const qk::math::Vector3 &direction, double length, int part,
                   int handleFlags);
};

/// What a tool is built from: its message table (its server name), its packets in order, its
/// tmod_Flags word and its attribute table.
struct ToolDef {
    const char *table;
    std::vector<const char *> packets;
    unsigned modelFlags;
    const ToolAttributeDef *attributes;
    std::size_t attributeCount;
};

/// Base of the module's tools. Construction builds the tool vector from the packet names (each
/// added with flag 2, then looked up in the "tool" category; a failed lookup leaves the offset
/// kNoPacket, and reading that packet yields null), then declares the attributes of the table in
/// order and attaches their popups.
class ToolFrame : public CLxImpl_Tool, public CLxImpl_ToolModel, public CLxDynamicAttributes {
public:
    explicit ToolFrame(const ToolDef &def);
    ~ToolFrame() override;

    LXtObjectID tool_VectorType() override;
    const char *tool_Order() override { return LXs_ORD_ACTR; }
    LXtID4 tool_Task() override { return LXi_TASK_ACTR; }

    unsigned tmod_Flags() override;
    void tmod_Draw(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        RunDrawHandles(vts, stroke, flags);
    }
    void tmod_Test(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        RunDrawHandles(vts, stroke, flags);
    }
    /// Starts a drag: stores the pressed part as the hot part and, on one of the tool's handles,
    /// hands the handle's position to the event translation. LXe_TRUE takes the drag; LXe_FALSE
    /// (no input event) leaves it.
    LxResult tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    /// Continues a drag of one of the tool's handles through MoveHandle; otherwise nothing.
    void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) override;
    LxResult tmod_Enable(ILxUnknownID message) override;
    LxResult tmod_Drop() override { return LXe_OK; }
    /// The limits of the attribute table as MinInt/MaxInt (integers) or MinFloat/MaxFloat.
    void atrui_UIHints(unsigned index, CLxUser_UIHints &hints) override;
    /// Records a user change of an attribute the tool acts on (see TracksChange); the tool's own
    /// write-backs (SetOwn*) are results, not requests, and record nothing.
    void dyna_Changed(unsigned index) override;

    /// The message table (server name) of the tool.
    const char *Table() const;
    /// Offset of a packet of the tool's list by name; kNoPacket when not requested or not found.
    unsigned PacketOffset(const char *name) const;
    /// Handle part under the mouse at the last press, -1 before any.
    int HotPart() const { return m_hotPart; }

protected:
    /// True for the attributes whose user change the tool acts on; every attribute by default.
    virtual bool TracksChange(unsigned index) const { return true; }
    /// The attribute the user changed last (a tracked one), or -1; forgotten once taken.
    int TakeLastChanged();
    /// Drops the recorded change unread.
    void ForgetLastChanged();
    /// Write an attribute as the tool's own result: the attribute reads as set, and no change is
    /// recorded.
    void SetOwnFloat(unsigned index, double value);
    void SetOwnInt(unsigned index, int value);
    void SetOwnBool(unsigned index, bool value) { SetOwnInt(index, value ? 1 : 0); }
    /// SetAttrVector as the tool's own result.
    void SetOwnAttrVector(unsigned first, const qk::math::Vector3 &v);

    /// The checks of tmod_Enable in order; none by default.
    virtual std::vector<ToolEnableCheck> EnableChecks() const { return {}; }
    /// Draws the handles and strokes; called for draw and hit-test passes once the context is
    /// ready and (unless DrawsInEveryView) the view is 3D.
    virtual void DrawHandles(ToolDrawContext &ctx) {}
    virtual bool DrawsInEveryView() const { return false; }
    /// Position (model space) of the handle with this part; false when the part is not a handle.
    virtual bool HandlePosition(int part, LXtVector pos) { return false; }
    /// Applies a dragged handle's new position through the adjust-tool object.
    virtual void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {}

    /// Three float attributes from `first` (X, Y, Z) as a vector.
    qk::math::Vector3 AttrVector(unsigned first);
    /// Writes three float attributes from `first` directly.
    void SetAttrVector(unsigned first, const qk::math::Vector3 &v);
    /// Writes three float attributes from `first` through the adjust-tool object.
    static void AdjustAttrVector(CLxUser_AdjustTool &adjust, unsigned first, const qk::math::Vector3 &v);

    /// The packet by name from the vector, or null when absent.
    template <class P>
    const P *ReadPacket(CLxUser_VectorStack &vts, const char *name) const {
        const unsigned offset = PacketOffset(name);
        if (offset == kNoPacket || !vts.test()) return nullptr;
        return static_cast<const P *>(vts.Read(offset));
    }
    template <class P>
    const P *ReadPacket(ILxUnknownID vts, const char *name) const {
        CLxUser_VectorStack stack;
        if (!stack.set(vts)) return nullptr;
        return ReadPacket<P>(stack, name);
    }
    /// True when the vector's view event is readable with view type 3D.
    bool IsView3D(ILxUnknownID vts) const;
    /// The flag word of a handle: hot when it is the last pressed part.
    int HandleFlags(int part) const { return part == m_hotPart ? kHotHandleFlags : kHandleFlags; }
    /// Reads the input event's part into the hot part; the part, or kNoPart without event.
    int TakeHotPart(ILxUnknownID vts);
    /// Binds the vector's event translation; false when the tool's vector does not hold it.
    bool ReadEventTranslation(ILxUnknownID vts, CLxUser_EventTranslatePacket &translate) const;

    /// Opens a modal message (code 0x84800004, this tool's table, `key`) titled `title`.
    void ShowWarning(const char *key, const char *title, const char *helpURL);
    /// Logs "table: text" as an error, unless it is the text logged last: an evaluation repeated
    /// by every drag step says a refusal once. ForgetLoggedError lets the next one through.
    void LogErrorOnce(const std::string &text);
    void ForgetLoggedError();
    /// The text of (table, key) with `metres` formatted in the user's units as argument 1.
    std::string DistanceLabel(const char *table, const char *key, double metres);

    CLxUser_LogService m_log;
    CLxUser_LayerService m_layerService;
    CLxUser_SelectionService m_selService;
    CLxUser_PacketService m_packetService;
    CLxUser_MeshService m_meshService;
    int m_hotPart = -1;

private:
    void RunDrawHandles(ILxUnknownID vts, ILxUnknownID stroke, int flags);

    // The tool's definition, packets and popups, the label formatter and the change bookkeeping.
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace qk
