// The host side of interactive tools. One tool is active at a time and is driven as a viewport
// drives it: the enable chain on activation, tmod_Initialize, draw and hit-test passes, presses,
// drags and releases, and tool_Evaluate after every change. Each evaluation starts again from the
// meshes as they were at activation (a journal savepoint opened then and rolled back before every
// evaluation); apply keeps the last result, drop takes it back.
//
// The mouse is a world position: a press at a position picks the nearest handle or hittable
// stroke within 8 pixels of it; a dragged handle follows the mouse's motion since the press (kept
// on its line when the tool constrains it); without a handle the mouse is projected along the view
// ray onto the work plane.
//
// Tool space: every position the host hands to a tool (action centre, event translations) and
// every position a tool draws at is in tool space: world space, or the reference item's own space
// (its world matrix taken out) while a reference system is set. The host turns drawings into world
// space as it records them. "tool.xfrm" describes the work plane (else the reference item's frame)
// in world space; "ToolHitEvent" gives the hit position in the hit mesh's own space.
#pragma once
#include "host/guard.hpp"

#include "host/model/vec3.hpp"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/model/scene.hpp"
#include "host/tool_runtime/tool_pick.hpp"
#include "host/bridge/attributes_ref.hpp"

#include <lxhandles.h>
#include <lxtool.h>
#include <lxtoolui.h>
#include <lxvmodel.h>

namespace gorva::host {

/// The part of no handle: the mouse is not over anything the tool drew.
constexpr int kNoPart = -1;

/// One handle drawn by the tool, in world space. `xfrm` columns are the handle's axes (the tool
/// passes its frame transposed); `axis` and `length` are set for axis handles only.
struct DrawnHandle {
    enum Kind { General, Axis, Move, Point } kind = General;
    Vec3 pos{};
    double xfrm[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 axis{};
    double length = 0.0;
    int part = kNoPart;
    int flags = 0;
};

/// One stroke: type (LXiSTROKE_*), colour (RGB 0..1), alpha, width in pixels, dash pattern, the part
/// it answers hit tests with, and its vertices in world space.
struct DrawnStroke {
    int type = 0;
    Vec3 colour{};
    double alpha = 1.0;
    double width = 1.0;
    int dash = 0;
    int part = kNoPart;
    std::vector<Vec3> verts;
};

/// One text label (a text stroke): its text, justification, world position, colour and part.
struct DrawnText {
    std::string text;
    int justification = 0;
    Vec3 pos{};
    Vec3 colour{};
    double alpha = 1.0;
    int part = kNoPart;
};

/// What the active tool drew in the last pass.
struct ToolDrawing {
    std::vector<DrawnHandle> handles;
    std::vector<DrawnStroke> strokes;
    std::vector<DrawnText> texts;
    void Clear();
};

/// The viewport tools draw in: its type (LXi_VIEWTYPE_*), pixels per metre, and a camera at `eye`
/// looking at `target`.
struct ToolView {
    int type = LXi_VIEWTYPE_3D;
    double pixelScale = 100.0;
    Vec3 eye{0.0, 0.0, 10.0};
    Vec3 target{0.0, 0.0, 0.0};
    /// Unit direction from the eye towards pos (towards the target when pos is the eye).
    Vec3 EyeVector(const Vec3 &pos) const;
    /// Screen right, up and backward directions in world space.
    void Axes(Vec3 &right, Vec3 &up, Vec3 &back) const;
};

/// The work plane: its origin and rotation (radians, X then Y then Z); its normal is the rotated Y
/// axis. The default is the XZ plane through the origin.
struct WorkPlane {
    Vec3 origin{};
    Vec3 rotation{};
    bool IsDefault() const;
    /// Rotation rows: the plane's X, normal and Z axes in world space.
    void Rows(double rows[3][3]) const;
};

/// The packets of the current event, in the layouts of lx_tool.hpp.
struct ToolPackets {
    LXpToolViewEvent view{};
    LXpToolInputEvent input{};
    LXpToolActionCenter actionCenter{};
    LXpToolAxis axis{};
    LXpToolHitEvent hit{};
    LXpToolXfrm xfrm{};
    LXpToolScreenEvent screen{};
};

/// What a press carries besides where it is: the mouse button (the input event's input: 0 left,
/// 1 right, 2 middle), the modifier keys held (its mode, as bits: kShift, kAlt, kCtrl), and
/// optionally the polygon under the mouse named directly instead of picked along the view ray.
struct PressOptions {
    static constexpr unsigned kShift = 1, kAlt = 4, kCtrl = 8;
    unsigned button = 0;
    unsigned modifiers = 0;
    ItemData *hitItem = nullptr;
    uint32_t hitPolygon = 0;
};

/// One attribute of a tool as an attribute panel shows it: name, SDK type name, value as text, popup
/// choices (value, internal name), UI limits, and the reason it is greyed (empty when editable).
struct ToolAttributeRow {
    std::string name;
    std::string type;
    std::string value;
    std::vector<std::pair<int, std::string>> choices;
    bool hasMinimum = false, hasMaximum = false;
    double minimum = 0.0, maximum = 0.0;
    std::string disabledReason;
};

class ToolHost final : public ToolSession {
public:
    explicit ToolHost(Host &host);
    ~ToolHost() override;
    ToolHost(const ToolHost &) = delete;
    ToolHost &operator=(const ToolHost &) = delete;

    // ---- settings a script can change
    ToolView view;
    Vec3 actionCenter{};
    /// Major axis of the "tool.axis" packet: 0 X, 1 Y, 2 Z.
    int axis = 1;
    WorkPlane workPlane;
    /// Puts the view, action centre, axis and work plane back to their defaults.
    void ResetViewport();

    // ---- activation
    /// Runs the enable chain, opens the savepoint, initialises, evaluates and draws. An active tool
    /// of another name is applied first. Fails with the tool's message when disabled.
    CommandResult Activate(const std::string &name);
    /// Ends the active tool, keeping its result (apply) or taking it back (drop).
    CommandResult Deactivate(bool apply);
    bool Active() const { return m_active != nullptr; }
    /// The active tool's server object (unknown interface, borrowed), or null.
    LXtObjectID ActiveObject() const { return m_active; }
    const std::string &ActiveName() const override { return m_activeName; }
    void DropActive() override;
    /// Sets an attribute of the active tool from text (popup names accepted) and re-evaluates;
    /// refused when the tool greys the attribute out.
    CommandResult SetAttribute(const std::string &tool, const std::string &attr, const std::string &value);
    /// The active tool's attribute as text; empty when unknown.
    std::string Attribute(const std::string &attr);
    /// Every attribute of a tool (active or not) in table order; empty for an unknown tool.
    std::vector<ToolAttributeRow> AttributeTable(const std::string &tool);
    /// Drops the tool instances (an active tool is dropped first), so that the next activation of
    /// each tool starts from a new instance, as in a new session.
    void ForgetInstances();
    /// Resets a tool's attributes to its defaults (re-evaluating when it is the active one).
    CommandResult Reset(const std::string &name);

    // ---- mouse
    /// A press on a part (no hit test); the mouse sits on the handle.
    CommandResult PressPart(int part, const PressOptions &options = {});
    /// A press at a world position: hit test, then the press.
    CommandResult PressAt(const Vec3 &pos, const PressOptions &options = {});
    CommandResult Drag(const Vec3 &pos);
    CommandResult Release();
    /// The part pressed at pos in a fresh hit-test pass: the last drawn within a pixel of pos (handles
    /// over strokes), else the nearest within 8 pixels; kNoPart when none is.
    int HitTest(const Vec3 &pos);

    /// Draws, evaluates from the activation state and draws again.
    void Refresh();
    /// What the last draw pass recorded.
    const ToolDrawing &Drawing() const { return m_drawing; }
    /// A fresh draw pass of the active tool as things stand (no evaluation); empty when no tool is
    /// active.
    const ToolDrawing &Redraw();
    /// Number of evaluations since activation.
    unsigned Evaluations() const { return m_evaluations; }

    /// Called by Host::Run before every command: true for the tool commands, which keep their own
    /// undo step, for the host's switches (host.version...), which change no scene
    /// data, and for render, which only looks at the tool; any other command first applies the
    /// active tool so that its edits stay its own.
    bool PrepareCommand(const std::string &name) override;

    // ---- used by the host objects behind the SDK
    const ToolPackets &Packets() const { return m_packets; }
    /// Packet names in offset order; a packet's offset is its index.
    static const std::vector<std::string> &PacketNames();
    /// True when the active tool asked for the packet at the offset.
    bool Requested(unsigned offset) const;
    /// The drag that follows moves the handle at `pos` (tool space), along `constraint` if given.
    void TranslateHitHandle(const Vec3 &pos, const Vec3 *constraint);
    /// The dragged handle's new position, or the mouse on the work plane, in tool space.
    bool TranslateNewPosition(Vec3 &pos) const;
    /// Tool space to world space and back, for points and for directions (not normalised).
    Vec3 ToolToWorld(const Vec3 &p) const { return TransformPoint(m_toolToWorld, p); }
    Vec3 WorldToTool(const Vec3 &p) const { return TransformPoint(m_worldToTool, p); }
    Vec3 ToolToWorldDirection(const Vec3 &d) const { return TransformDirection(m_toolToWorld, d); }
    Vec3 WorldToToolDirection(const Vec3 &d) const { return TransformDirection(m_worldToTool, d); }
    /// World length of one tool-space unit (1 without a reference system).
    double ToolUnitLength() const { return m_toolUnit; }
    LXtObjectID EventTranslateObject() const { return m_translate; }
    ToolDrawing &Recording() { return m_drawing; }

private:
    LXtObjectID Instance(const std::string &name);
    void FillPackets(int eventType);
    void Draw(bool test);
    void Evaluate();
    CommandResult Press(int part, const PressOptions &options, const Vec3 *pos);
    /// Sets the polygon under the mouse for the press (or none).
    void TakeHit(const PressOptions &options, const Vec3 *pos);
    void ClearHit();
    Vec3 OnWorkPlane(const Vec3 &mouse) const;
    void UpdateToolSpace();

    Host &m_host;
    std::map<std::string, LXtObjectID> m_instances;
    LXtObjectID m_active = nullptr;
    std::string m_activeName;
    ComRef m_tool;   // ILxTool of the active instance
    ComRef m_model;  // ILxToolModel
    AttributesRef m_attrs;
    std::vector<bool> m_requested;
    size_t m_token = 0;
    ToolPackets m_packets;
    ToolDrawing m_drawing;
    unsigned m_evaluations = 0;
    LXtObjectID m_vts = nullptr;
    LXtObjectID m_adjust = nullptr;
    LXtObjectID m_translate = nullptr;
    Matrix4 m_toolToWorld = IdentityMatrix();
    Matrix4 m_worldToTool = IdentityMatrix();
    double m_toolUnit = 1.0;

    /// The mouse from a press to its release: what was pressed and with which button and keys, the
    /// polygon under it, where it went, the handle it drags (and the line it keeps to) or the
    /// attribute it hauls.
    struct MouseState {
        bool pressed = false;
        bool tracking = false;  // the tool took the press (tmod_Down answered true)
        int part = kNoPart;
        unsigned button = 0;
        unsigned modifiers = 0;
        bool hasHit = false;
        PolygonHit hit;
        Vec3 mouse{};
        Vec3 pressMouse{};
        bool havePressMouse = false;
        bool onHandle = false;
        Vec3 handle{};
        bool constrained = false;
        Vec3 constraintDir{};
        int haulIndex = -1;
        double haulStart = 0.0;
    } m_mouse;
    LXtObjectID m_hitItem = nullptr;  // the hit item's object, one reference held
};

/// Adds the tool command lines: tool.set, tool.attr, tool.doApply, tool.drop, tool.reset, and the
/// host-only tool.view, tool.press, tool.drag, tool.release, tool.workPlane, tool.actionCenter and
/// tool.axis.
void RegisterToolCommands(Host &host);

/// Numeric limits a tool's UI hints set on one attribute.
struct AttributeLimits {
    double minimum = 0.0, maximum = 0.0;
    bool hasMinimum = false, hasMaximum = false;
};

/// Host objects behind the SDK's tool surface (tool_objects.cpp).
LXtObjectID NewUIHints(AttributeLimits &limits);
LXtObjectID NewPacketService();
LXtObjectID NewVectorStack(ToolHost &tools);
LXtObjectID NewAdjustTool(ToolHost &tools, LXtObjectID attributes);
LXtObjectID NewEventTranslate(ToolHost &tools);
LXtObjectID NewDrawObject(ToolHost &tools, bool test);

}  // namespace gorva::host
