// The anatomy every interactive tool of the module shares: registration with its four interfaces,
// the tool vector and its packets, attributes addressed by index with popup tables, handle drawing
// and hit-testing through one DrawHandles, the press/drag protocol, the enable chain, modal
// warnings, distance labels and mesh output through a layer scan.
#pragma once

#include <string>
#include <vector>

#include "lx_attributes.hpp"
#include "lx_dialog.hpp"
#include "lx_handles.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_tool.hpp"
#include "lx_vector.hpp"

namespace qk {

/// Offset value of a packet whose lookup failed.
inline constexpr unsigned kNoPacket = ~0u;
/// First handle part; a tool's handles count up from here, one part each.
inline constexpr int kFirstHandlePart = 10000;
/// Flag words of a drawn handle, and of the hot one (the last pressed).
inline constexpr int kHandleFlags = 0x10000;
inline constexpr int kHotHandleFlags = 0x30000;
/// Message code of a failed enable chain and of a modal warning.
inline constexpr LxResult kToolMessageCode = 0x84800004u;
/// Result of tmod_Enable when a check fails.
inline constexpr LxResult kToolDisabled = 0x80000019u;

/// Adds the four tool interfaces in their fixed order (tool, tool model, attributes, attributes
/// UI) to a new server factory of T and registers it under `serverName`; returns what the
/// registration returns.
template <class T>
LxResult RegisterTool(const char *serverName) {
    auto *srv = new CLxPolymorph<T>;
    srv->AddInterface(new CLxIfc_Tool<T>);
    srv->AddInterface(new CLxIfc_ToolModel<T>);
    srv->AddInterface(new CLxIfc_Attributes<T>);
    srv->AddInterface(new CLxIfc_AttributesUI<T>);
    return lx::AddServer(serverName, srv);
}

/// A popup's hint table: one row (value, internal name) per entry in value order from 0, then the
/// row (-1, "=" + popupType) that names the popup's type, then the end row (-1, null).
class PopupHints {
public:
    PopupHints(std::vector<const char *> names, const char *popupType);
    PopupHints(const PopupHints &) = delete;
    PopupHints &operator=(const PopupHints &) = delete;
    /// The table, valid for the life of this object.
    const LXtTextValueHint *Table() const { return m_rows.data(); }

private:
    std::string m_type;
    std::vector<LXtTextValueHint> m_rows;
};

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
};

/// Base of the module's tools. Construction builds the tool vector from the packet names (each
/// added with flag 2, then looked up in the "tool" category; a failed lookup leaves the offset
/// kNoPacket, and reading that packet yields null).
class ToolFrame : public CLxImpl_Tool, public CLxImpl_ToolModel, public CLxDynamicAttributes {
public:
    /// `table` is the tool's message table (its server name); `modelFlags` the tmod_Flags word.
    ToolFrame(const char *table, const std::vector<const char *> &packets, unsigned modelFlags);

    LXtObjectID tool_VectorType() override { return m_vectorType.loc(); }
    const char *tool_Order() override { return LXs_ORD_ACTR; }
    LXtID4 tool_Task() override { return LXi_TASK_ACTR; }

    unsigned tmod_Flags() override { return m_modelFlags; }
    void tmod_Draw(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        RunDrawHandles(vts, stroke, flags);
    }
    void tmod_Test(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        RunDrawHandles(vts, stroke, flags);
    }
    /// Starts a drag: stores the pressed part as the hot part and, on one of the tool's handles,
    /// hands the handle's position to the event translation. False without an input event.
    bool tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) override;
    /// Continues a drag of one of the tool's handles through MoveHandle; otherwise nothing.
    void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) override;
    LxResult tmod_Enable(ILxUnknownID message) override;
    LxResult tmod_Drop() override { return LXe_OK; }

    /// The message table (server name) of the tool.
    const char *Table() const { return m_table; }
    /// Offset of a packet of the tool's list by name; kNoPacket when not requested or not found.
    unsigned PacketOffset(const char *name) const;
    /// Handle part under the mouse at the last press, -1 before any.
    int HotPart() const { return m_hotPart; }

protected:
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

    /// The packet by name from the vector, or null when absent.
    template <class P>
    const P *ReadPacket(CLxUser_VectorStack &vts, const char *name) const {
        return static_cast<const P *>(vts.Read(PacketOffset(name)));
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
    /// Reads the input event's part into the hot part; the part, or LXiHITPART_NONE without event.
    int TakeHotPart(ILxUnknownID vts);

    /// Opens a modal message (code 0x84800004, this tool's table, `key`) titled `title`.
    void ShowWarning(const char *key, const char *title, const char *helpURL);
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

    const char *m_table;
    unsigned m_modelFlags;
    CLxUser_VectorType m_vectorType;
    std::vector<std::pair<std::string, unsigned>> m_offsets;
    CLxUser_Value m_distance;
    CLxUser_StringConversion m_distanceText;
};

/// Geometry written into one layer of a layer scan. Any failed step (scan, mesh, accessors, tag
/// object, an element) makes the writer invalid; Finish then applies nothing, and the scan takes
/// back whatever was written.
class ScanMeshWriter {
public:
    /// Begins a scan with the flags and opens layer `layer` for editing when the scan holds it.
    ScanMeshWriter(CLxUser_LayerService &service, unsigned scanFlags, unsigned layer = 0);
    bool Ok() const { return m_ok; }
    /// A new point; false (and the writer invalid) on failure.
    bool AddPoint(const double pos[3], LXtPointID &id);
    /// A new face through the points in order with the 'PART' tag (none when null); false on failure.
    bool AddFace(const std::vector<LXtPointID> &points, const char *part);
    /// Declares the edits and applies the scan when every step succeeded; returns that.
    bool Finish(unsigned edits);

private:
    CLxUser_LayerScan m_scan;
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_points;
    CLxUser_Polygon m_polygons;
    CLxUser_StringTag m_tags;
    unsigned m_layer;
    bool m_ok = false;
};

}  // namespace qk
