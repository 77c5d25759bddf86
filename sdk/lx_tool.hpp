// Interactive tools: the tool and tool-model interfaces with their server glue, the adjust-tool
// and event-translation objects the host passes, and the tool packets.
#pragma once

#include "lx_handles.hpp"
#include "lx_module.hpp"
#include "lx_vector.hpp"

/// Task of actor tools (the tool pipe's action stage) and their order string.
#define LXi_TASK_ACTR LXxID4('A', 'C', 'T', 'R')
#define LXs_ORD_ACTR "\xF0"

/// Tool-model flag bits (tmod_Flags).
#define LXfTMOD_DRAW_3D 0x0010u
#define LXfTMOD_DRAW_UV 0x0020u
#define LXfTMOD_I0_INPUT 0x0040u
#define LXfTMOD_I0_ATTRHAUL 0x0080u
#define LXfTMOD_I1_INPUT 0x0100u

/// Packet names of the "tool" category.
#define LXsP_TOOL_VIEW_EVENT "ToolViewEvent"
#define LXsP_TOOL_INPUT_EVENT "ToolInputEvent"
#define LXsP_TOOL_EVENTTRANS "toolEventTranslate"
#define LXsP_TOOL_ACTCENTER "tool.actionCenter"
#define LXsP_TOOL_AXIS "tool.axis"
#define LXsP_TOOL_HITEVENT "ToolHitEvent"
#define LXsP_TOOL_XFRM "tool.xfrm"
#define LXsP_TOOL_SCREEN_EVENT "ToolScreenEvent"
#define LXsP_TOOL_RAYCAST "ToolRaycast"
#define LXsP_TOOL_PROFILE "toolProfile"
#define LXsP_TOOL_CONTENT "tool.content"

/// View types of the view event.
#define LXi_VIEWTYPE_3D 0
#define LXi_VIEWTYPE_UV 1
#define LXi_VIEWTYPE_2D 2

/// Event types of the input event.
#define LXi_TOOLEVENT_DOWN 1
#define LXi_TOOLEVENT_MOVE 2
#define LXi_TOOLEVENT_UP 3

/// Type value of the transform packet while a work plane or reference system is in force.
#define LXi_TOOLXFRM_ACTIVE 7

/// "tool.actionCenter": the action centre in tool space.
struct LXpToolActionCenter {
    LXtVector v;
};

/// "tool.axis": the major axis (axIndex 0, 1, 2 for X, Y, Z) with its unit vector, the up and right
/// directions across it, and the rotation m (rows right, up, axis) with its inverse.
struct LXpToolAxis {
    LXtVector axis;
    LXtVector up;
    LXtVector right;
    LXtMatrix m;
    LXtMatrix mInv;
    int axIndex;
    int type;
};

/// "ToolViewEvent": the viewport and view the event came from, and the view type (LXi_VIEWTYPE_*).
struct LXpToolViewEvent {
    ILxUnknownID vport;
    ILxUnknownID view;
    unsigned flags;
    int type;
};

/// "ToolInputEvent": mode, mouse button (input), click count, the handle part under the mouse
/// (LXiHITPART_NONE when none), the event type (LXi_TOOLEVENT_*) and whether an attribute is hauled.
struct LXpToolInputEvent {
    unsigned mode;
    unsigned input;
    unsigned count;
    int part;
    int type;
    int haul;
};

/// "ToolHitEvent": the polygon under the mouse (null when none), its mesh, the hit position and
/// the polygon's normal there.
struct LXpToolHitEvent {
    ILxUnknownID mesh;
    LXtPolygonID polygon;
    LXtVector pos;
    LXtVector norm;
};

/// "ToolScreenEvent": the mouse in viewport pixels.
struct LXpToolScreenEvent {
    double px, py;
};

/// "tool.xfrm": the tool space. m rotates world directions into tool space, mInv back (its rows
/// are the tool axes in world space), pos is the tool space origin in world space. type is
/// LXi_TOOLXFRM_ACTIVE while a work plane or reference system is in force.
struct LXpToolXfrm {
    LXtMatrix m;
    LXtMatrix mInv;
    LXtVector pos;
    int type;
};

/// Attribute changes a tool makes during interaction, recorded by the host.
class ILxAdjustTool : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxAdjustTool";
    virtual LxResult SetInt(unsigned index, int value) = 0;
    virtual LxResult SetFlt(unsigned index, double value) = 0;
    virtual LxResult SetString(unsigned index, const char *value) = 0;

protected:
    ~ILxAdjustTool() = default;
};

/// Turns mouse motion into model positions for a handle drag.
class ILxEventTranslatePacket : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxEventTranslatePacket";
    /// The drag that follows moves the handle at pos, relative to where the press happened.
    virtual LxResult HitHandle(ILxUnknownID vts, const LXtVector pos) = 0;
    /// Like HitHandle, with the motion kept on the line through pos along dir.
    virtual LxResult SetLinearConstraint(ILxUnknownID vts, const LXtVector pos, const LXtVector dir) = 0;
    /// The position the mouse now asks for: the dragged handle's new place, or the mouse on the
    /// work plane when no handle was hit.
    virtual LxResult GetNewPosition(ILxUnknownID vts, LXtVector pos) = 0;

protected:
    ~ILxEventTranslatePacket() = default;
};

class ILxTool : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxTool";
    virtual LxResult Reset() = 0;
    virtual LxResult Evaluate(ILxUnknownID vts) = 0;
    virtual LxResult VectorType(void **ppvObj) = 0;
    virtual LxResult Order(const char **order) = 0;
    virtual LxResult Task(LXtID4 *task) = 0;
    virtual LxResult Sequence(ILxUnknownID sequence) = 0;
    /// LXe_TRUE when the tool should act as an attribute tool for the task.
    virtual LxResult ShouldBeAttribute(LXtID4 task) = 0;

protected:
    ~ILxTool() = default;
};

class ILxToolModel : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxToolModel";
    virtual LxResult Flags(unsigned *flags) = 0;
    virtual LxResult Draw(ILxUnknownID vts, ILxUnknownID stroke, int flags) = 0;
    virtual LxResult Test(ILxUnknownID vts, ILxUnknownID stroke, int flags) = 0;
    virtual LxResult Filter(ILxUnknownID vts, ILxUnknownID adjust) = 0;
    virtual LxResult Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) = 0;
    /// LXe_TRUE when the tool wants the drag that follows, LXe_FALSE when not.
    virtual LxResult Down(ILxUnknownID vts, ILxUnknownID adjust) = 0;
    virtual LxResult Move(ILxUnknownID vts, ILxUnknownID adjust) = 0;
    virtual LxResult Up(ILxUnknownID vts, ILxUnknownID adjust) = 0;
    /// Attribute hauled by a drag of button `index` away from the handles; LXe_NOTFOUND for none.
    virtual LxResult Haul(unsigned index, const char **name) = 0;
    virtual LxResult Help(ILxUnknownID vts, const char **help) = 0;
    /// LXe_OK when the tool can be used; a failure code with the reason set in the message.
    virtual LxResult Enable(ILxUnknownID message) = 0;
    virtual LxResult Drop() = 0;
    virtual LxResult Track(ILxUnknownID vts, ILxUnknownID stroke, int flags) = 0;
    virtual LxResult TrackFlags(unsigned *flags) = 0;
    virtual LxResult Post(ILxUnknownID vts, ILxUnknownID adjust) = 0;
    /// LXe_TRUE when the tool handles the selection type.
    virtual LxResult TestType(LXtID4 type) = 0;

protected:
    ~ILxToolModel() = default;
};

// ---- client wrappers ----

class CLxUser_AdjustTool : public CLxLocT<ILxAdjustTool> {
public:
    LxResult SetInt(unsigned index, int value) { return m_loc->SetInt(index, value); }
    LxResult SetFlt(unsigned index, double value) { return m_loc->SetFlt(index, value); }
    LxResult SetString(unsigned index, const char *value) { return m_loc->SetString(index, value); }
};

class CLxUser_EventTranslatePacket : public CLxLocT<ILxEventTranslatePacket> {
public:
    LxResult HitHandle(ILxUnknownID vts, const LXtVector pos) { return m_loc->HitHandle(vts, pos); }
    LxResult SetLinearConstraint(ILxUnknownID vts, const LXtVector pos, const LXtVector dir) {
        return m_loc->SetLinearConstraint(vts, pos, dir);
    }
    /// True when a position was produced.
    bool GetNewPosition(ILxUnknownID vts, LXtVector pos) { return LXx_OK(m_loc->GetNewPosition(vts, pos)); }
};

class CLxUser_Tool : public CLxLocT<ILxTool> {};
class CLxUser_ToolModel : public CLxLocT<ILxToolModel> {};

// ---- server side ----

/// Server-side tool implementation (`CLxImpl_Tool`).
class CLxImpl_Tool {
public:
    virtual ~CLxImpl_Tool() = default;
    virtual void tool_Reset() {}
    virtual void tool_Evaluate(ILxUnknownID vts) {}
    /// The tool's vector type (borrowed; the tool keeps it).
    virtual LXtObjectID tool_VectorType() { return nullptr; }
    virtual const char *tool_Order() { return nullptr; }
    virtual LXtID4 tool_Task() { return 0; }
    virtual LxResult tool_Sequence(ILxUnknownID sequence) { return LXe_NOTIMPL; }
    virtual bool tool_ShouldBeAttribute(LXtID4 task) { return false; }
};

/// Server-side tool-model implementation (`CLxImpl_ToolModel`). Operations a tool does not
/// implement answer LXe_NOTIMPL, false or nothing.
class CLxImpl_ToolModel {
public:
    virtual ~CLxImpl_ToolModel() = default;
    virtual unsigned tmod_Flags() { return 0; }
    virtual void tmod_Draw(ILxUnknownID vts, ILxUnknownID stroke, int flags) {}
    virtual void tmod_Test(ILxUnknownID vts, ILxUnknownID stroke, int flags) {}
    virtual LxResult tmod_Filter(ILxUnknownID vts, ILxUnknownID adjust) { return LXe_NOTIMPL; }
    virtual void tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {}
    virtual bool tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) { return false; }
    virtual void tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) {}
    virtual void tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) {}
    virtual const char *tmod_Haul(unsigned index) { return nullptr; }
    virtual LxResult tmod_Help(ILxUnknownID vts, const char **help) { return LXe_NOTIMPL; }
    virtual LxResult tmod_Enable(ILxUnknownID message) { return LXe_OK; }
    virtual LxResult tmod_Drop() { return LXe_NOTIMPL; }
    virtual LxResult tmod_Track(ILxUnknownID vts, ILxUnknownID stroke, int flags) { return LXe_NOTIMPL; }
    virtual LxResult tmod_TrackFlags(unsigned *flags) { return LXe_NOTIMPL; }
    virtual LxResult tmod_Post(ILxUnknownID vts, ILxUnknownID adjust) { return LXe_NOTIMPL; }
    virtual bool tmod_TestType(LXtID4 type) { return false; }
};

template <class T>
class CLxIfc_Tool final : public CLxInterfaceGlue<ILxTool, CLxIfc_Tool<T>> {
    T *obj() { return static_cast<T *>(this->m_obj); }

public:
    LxResult Reset() override {
        obj()->tool_Reset();
        return LXe_OK;
    }
    LxResult Evaluate(ILxUnknownID vts) override {
        obj()->tool_Evaluate(vts);
        return LXe_OK;
    }
    LxResult VectorType(void **ppvObj) override {
        ILxUnknownID vt = lx::Unknown(obj()->tool_VectorType());
        if (!vt) return LXe_NOTIMPL;
        return vt->QueryInterface(ILxVectorType::IID, ppvObj);
    }
    LxResult Order(const char **order) override {
        *order = obj()->tool_Order();
        return *order ? LXe_OK : LXe_NOTIMPL;
    }
    LxResult Task(LXtID4 *task) override {
        *task = obj()->tool_Task();
        return LXe_OK;
    }
    LxResult Sequence(ILxUnknownID seq) override { return obj()->tool_Sequence(seq); }
    LxResult ShouldBeAttribute(LXtID4 task) override {
        return obj()->tool_ShouldBeAttribute(task) ? LXe_TRUE : LXe_FALSE;
    }
};

template <class T>
class CLxIfc_ToolModel final : public CLxInterfaceGlue<ILxToolModel, CLxIfc_ToolModel<T>> {
    T *obj() { return static_cast<T *>(this->m_obj); }

public:
    LxResult Flags(unsigned *flags) override {
        *flags = obj()->tmod_Flags();
        return LXe_OK;
    }
    LxResult Draw(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        obj()->tmod_Draw(vts, stroke, flags);
        return LXe_OK;
    }
    LxResult Test(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        obj()->tmod_Test(vts, stroke, flags);
        return LXe_OK;
    }
    LxResult Filter(ILxUnknownID vts, ILxUnknownID adjust) override {
        return obj()->tmod_Filter(vts, adjust);
    }
    LxResult Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) override {
        obj()->tmod_Initialize(vts, adjust, flags);
        return LXe_OK;
    }
    LxResult Down(ILxUnknownID vts, ILxUnknownID adjust) override {
        return obj()->tmod_Down(vts, adjust) ? LXe_TRUE : LXe_FALSE;
    }
    LxResult Move(ILxUnknownID vts, ILxUnknownID adjust) override {
        obj()->tmod_Move(vts, adjust);
        return LXe_OK;
    }
    LxResult Up(ILxUnknownID vts, ILxUnknownID adjust) override {
        obj()->tmod_Up(vts, adjust);
        return LXe_OK;
    }
    LxResult Haul(unsigned index, const char **name) override {
        *name = obj()->tmod_Haul(index);
        return *name ? LXe_OK : LXe_NOTFOUND;
    }
    LxResult Help(ILxUnknownID vts, const char **help) override { return obj()->tmod_Help(vts, help); }
    LxResult Enable(ILxUnknownID msg) override { return obj()->tmod_Enable(msg); }
    LxResult Drop() override { return obj()->tmod_Drop(); }
    LxResult Track(ILxUnknownID vts, ILxUnknownID stroke, int flags) override {
        return obj()->tmod_Track(vts, stroke, flags);
    }
    LxResult TrackFlags(unsigned *flags) override { return obj()->tmod_TrackFlags(flags); }
    LxResult Post(ILxUnknownID vts, ILxUnknownID adjust) override { return obj()->tmod_Post(vts, adjust); }
    LxResult TestType(LXtID4 type) override { return obj()->tmod_TestType(type) ? LXe_TRUE : LXe_FALSE; }
};
