// Drawing in a viewport during a tool's draw and hit-test passes: handles, strokes (lines, circles,
// text) and the view they are drawn in. The host passes one object that offers all three.
#pragma once

#include "lx_com.hpp"

/// Stroke types of Begin.
#define LXiSTROKE_POINTS 1
#define LXiSTROKE_LINES 2
#define LXiSTROKE_LINE_STRIP 3
#define LXiSTROKE_LINE_LOOP 4
/// Circles: a centre vertex, then a vertex at the radius.
#define LXiSTROKE_CIRCLES 9
/// Text: Text(text, justification), then one vertex at the text's position.
#define LXiSTROKE_TEXT 12

/// Text justification.
#define LXiTEXT_LEFT 0
#define LXiTEXT_CENTER 1
#define LXiTEXT_RIGHT 2

/// Handle flag bits: a handle is shown; the hot (pressed) handle adds LXfHANDLE_HOT.
#define LXfHANDLE_SHOW 0x10000
#define LXfHANDLE_HOT 0x20000

/// Stroke part of strokes that must never be hit (-2000000000, 0x88ca6c00 as 32 bits).
#define LXiHITPART_NEVER (-2000000000)
/// Part of a press that hit nothing.
#define LXiHITPART_NONE (-1)

class ILxHandleDraw : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxHandleDraw";
    /// A general handle at pos oriented by xfrm (rows are its axes).
    virtual LxResult Handle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) = 0;
    /// An arrow from pos along axis (a unit vector) of the given length.
    virtual LxResult AxisHandle(const LXtVector pos, const LXtVector axis, double length, int part,
                                int flags) = 0;
    /// A handle that moves in the plane given by xfrm.
    virtual LxResult MoveHandle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) = 0;
    /// A small dot.
    virtual LxResult PointHandle(const LXtVector pos, int part, int flags) = 0;

protected:
    ~ILxHandleDraw() = default;
};

class ILxStrokeDraw : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxStrokeDraw";
    /// Starts a stroke of a type (LXiSTROKE_*) in colour (RGB 0..1) with alpha, width in pixels and a
    /// 16-bit dash pattern (0 solid).
    virtual LxResult BeginWD(int type, const LXtVector colour, double alpha, double width, int dash) = 0;
    virtual LxResult Vertex(const LXtVector pos) = 0;
    /// Text of the current text stroke; its vertex follows.
    virtual LxResult Text(const char *text, int justification) = 0;
    /// Part that strokes drawn from now on answer a hit test with.
    virtual LxResult SetPart(int part) = 0;

protected:
    ~ILxStrokeDraw() = default;
};

/// The viewport being drawn in.
class ILxView : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxView";
    /// Pixels per metre at the view's focus.
    virtual double PixelScale() = 0;
    /// Unit viewing direction at pos: from the eye towards pos.
    virtual LxResult EyeVector(const LXtVector pos, LXtVector eye) = 0;
    /// Orientation: the columns are the screen's right, up and backward directions in world space.
    virtual LxResult Matrix(LXtMatrix m) = 0;

protected:
    ~ILxView() = default;
};

class CLxUser_HandleDraw : public CLxLocT<ILxHandleDraw> {
public:
    LxResult Handle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) {
        return m_loc->Handle(pos, xfrm, part, flags);
    }
    LxResult AxisHandle(const LXtVector pos, const LXtVector axis, double length, int part, int flags) {
        return m_loc->AxisHandle(pos, axis, length, part, flags);
    }
    LxResult MoveHandle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) {
        return m_loc->MoveHandle(pos, xfrm, part, flags);
    }
    LxResult PointHandle(const LXtVector pos, int part, int flags) {
        return m_loc->PointHandle(pos, part, flags);
    }
};

class CLxUser_StrokeDraw : public CLxLocT<ILxStrokeDraw> {
public:
    /// Solid stroke one pixel wide.
    LxResult Begin(int type, const LXtVector colour, double alpha) {
        return m_loc->BeginWD(type, colour, alpha, 1.0, 0);
    }
    LxResult BeginW(int type, const LXtVector colour, double alpha, double width) {
        return m_loc->BeginWD(type, colour, alpha, width, 0);
    }
    LxResult BeginWD(int type, const LXtVector colour, double alpha, double width, int dash) {
        return m_loc->BeginWD(type, colour, alpha, width, dash);
    }
    LxResult Vert(const LXtVector pos) { return m_loc->Vertex(pos); }
    LxResult Text(const char *text, int justification) { return m_loc->Text(text, justification); }
    LxResult SetPart(int part) { return m_loc->SetPart(part); }
};

class CLxUser_View : public CLxLocT<ILxView> {
public:
    double PixelScale() { return m_loc->PixelScale(); }
    LxResult EyeVector(const LXtVector pos, LXtVector eye) { return m_loc->EyeVector(pos, eye); }
    LxResult Matrix(LXtMatrix m) { return m_loc->Matrix(m); }
};
