#include "qk_align_tool.hpp"

#include <algorithm>
#include <cmath>

#include "lx_wrap.hpp"
#include "lx_mesh.hpp"
#include "lx_seltypes.hpp"
#include "lxidef.h"
#include "qk_tool_enable.hpp"

namespace qk {

using align::AlignDrawing;
using align::AlignMove;
using qk::math::Matrix4;
using qk::math::Vector3;

namespace {

const double kUnitPixels = 25.0;  // the drawing's unit: the world length of 25 pixels
const double kGuideWidth = 1.0;
const double kSwitchWidth = 2.0;
const double kMoveLineWidth = 1.5;
const unsigned kLogLevel = 1;

// The handles have no orientation of their own.
const LXtMatrix kHandleAxes = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

}  // namespace

bool HasTwoSelectedVertices() {
    return IsSetVertexSelection(2);
}

bool HasOneSelectedVertex() {
    return IsSetVertexSelection(1);
}

AlignToolFrame::AlignToolFrame(const char *table, const ToolAttributeDef *attributes, std::size_t count,
                               align::AlignTool kind)
    : ToolFrame({table,
                 {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_XFRM},
                 ALIGN_MODEL_FLAGS,
                 attributes,
                 count}),
      m_kind(kind) {}

// ---- attributes

void AlignToolFrame::ResetSharedAttributes() {
    for (unsigned axis = 0; axis < 3; ++axis) {
        SetOwnFloat(ALIGN_ATTR_OFFSET_X + axis, 0.0);
        SetOwnBool(ALIGN_ATTR_ALIGN_X + axis, true);
    }
    SetOwnBool(ALIGN_ATTR_SHOW_DIMS, true);
    ForgetLastChanged();
}

void AlignToolFrame::AdjustOffsetFromDestination(int axis) {
    if (axis < align::AXIS_X || axis > align::AXIS_Z) return;
    const unsigned offset = ALIGN_ATTR_OFFSET_X + unsigned(axis);
    SetOwnFloat(offset, align::AdjustOffsetFromDestination(axis, m_source.world, m_destination.world,
                                                           dyna_Bool(ALIGN_ATTR_ALIGN_X + unsigned(axis)),
                                                           dyna_Float(offset)));
}

void AlignToolFrame::AdjustOffsets() {
    for (int axis = align::AXIS_X; axis <= align::AXIS_Z; ++axis) AdjustOffsetFromDestination(axis);
}

void AlignToolFrame::AlignAllAxes() {
    for (unsigned axis = 0; axis < 3; ++axis) SetOwnBool(ALIGN_ATTR_ALIGN_X + axis, true);
    AdjustOffsets();
}

bool AlignToolFrame::FollowOffsets(AlignMove &move) {
    std::array<bool, 3> align;
    for (unsigned axis = 0; axis < 3; ++axis) align[axis] = dyna_Bool(ALIGN_ATTR_ALIGN_X + axis);
    const std::array<bool, 3> next = align::SwitchesFollowingOffsets(AttrVector(ALIGN_ATTR_OFFSET_X), align);
    for (unsigned axis = 0; axis < 3; ++axis)
        if (next[axis] != align[axis]) SetOwnBool(ALIGN_ATTR_ALIGN_X + axis, next[axis]);
    return CurrentMove(move);
}

bool AlignToolFrame::CurrentMove(AlignMove &move) {
    return align::AlignTarget(m_source.world, m_destination.world, AttrVector(ALIGN_ATTR_OFFSET_X), move);
}

// ---- activation

std::vector<SelectedVertex> AlignToolFrame::ReadVertexSelection() {
    const LXtID4 type = m_selService.LookupType(LXsSELTYP_VERTEX);
    // A count the service cannot give (-1) reads as no selection.
    const unsigned count = unsigned(std::max(m_selService.Count(type), 0));
    std::vector<SelectedVertex> vertices(count);
    CLxUser_VertexPacketTranslation packets;
    if (!packets.autoInit()) return vertices;
    const double time = m_selService.GetTime();
    for (unsigned i = 0; i < count; ++i) {
        void *packet = m_selService.ByIndex(type, i);
        SelectedVertex &v = vertices[i];
        void *meshObj = nullptr, *itemObj = nullptr;
        CLxUser_Mesh mesh;
        CLxUser_Point point;
        CLxUser_Item item;
        LXtFVector pos;
        if (!packet || LXx_FAIL(packets.Vertex(packet, &v.id)) || LXx_FAIL(packets.Mesh(packet, &meshObj)) ||
            !mesh.take(meshObj) || !point.fromMeshObj(mesh) || LXx_FAIL(point.Select(v.id)) ||
            LXx_FAIL(point.Pos(pos)) || LXx_FAIL(packets.Item(packet, &itemObj)) || !item.take(itemObj) ||
            (v.item = item.GetIdentity()).empty()) {
            v = SelectedVertex();
            continue;
        }
        v.read = true;
        v.local = v.world = Vector3(pos);
        CLxUser_ChannelRead chan;
        Matrix4 world;
        v.placed =
            chan.from(item, time) && ReadMatrixChannel(chan, item, LXsICHAN_XFRMCORE_WORLDMATRIX, world);
        if (v.placed) v.world = qk::math::TransformPoint(world, v.local);
    }
    return vertices;
}

bool AlignToolFrame::Invalidate(const char *why) {
    m_invalid = true;
    m_log.DebugOut(kLogLevel, "%s: %s", Table(), why);
    return false;
}

// ---- presses

LxResult AlignToolFrame::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    CLxUser_EventTranslatePacket translate;
    CLxUser_AdjustTool adj;
    if (m_invalid || !adj.set(adjust) || !ReadEventTranslation(vts, translate)) return LXe_TRUE;
    const auto *input = ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    if (!input) return LXe_TRUE;
    const int part = input->part;
    if (part == align::PART_TARGET) m_apply = !m_apply;
    if (part >= align::PART_SWITCH_X && part < align::PART_SWITCH_X + 3) {
        const unsigned index = ALIGN_ATTR_ALIGN_X + unsigned(part - align::PART_SWITCH_X);
        adj.SetInt(index, dyna_Bool(index) ? 0 : 1);
    }
    return LXe_FALSE;
}

// ---- drawing

align::AlignView AlignToolFrame::ViewFor(ToolDrawContext &ctx, bool workPlane) {
    align::AlignView view;
    view.source = m_source.world;
    view.destination = m_destination.world;
    AlignMove move;
    view.target = CurrentMove(move) ? move.target : m_destination.world;
    for (unsigned axis = 0; axis < 3; ++axis) view.align[axis] = dyna_Bool(ALIGN_ATTR_ALIGN_X + axis);
    view.showDims = dyna_Bool(ALIGN_ATTR_SHOW_DIMS);
    view.autoJump = AutoJump();
    const double scale = ctx.view.PixelScale();
    view.unit = scale > 0.0 ? kUnitPixels / scale : 0.0;
    LXtMatrix orientation;
    ctx.view.Matrix(orientation);
    const Vector3 right(orientation[0][0], orientation[1][0], orientation[2][0]);
    view.right = align::SwitchRightVector(right, workPlane);
    return view;
}

void AlignToolFrame::DrawMarker(ToolDrawContext &ctx, const align::Marker &marker, bool workPlane) {
    if (!marker.shown) return;
    LXtVector eye = {0.0, 0.0, -1.0};
    if (!workPlane) ctx.view.EyeVector(marker.centre, eye);
    const Vector3 direction = align::EyeDirection(Vector3(eye), workPlane);
    ctx.stroke.Begin(LXiSTROKE_CIRCLES, marker.colour, 1.0);
    ctx.Vertex(marker.centre);
    ctx.Vertex(marker.centre + direction * marker.radius);
}

void AlignToolFrame::DrawLabel(ToolDrawContext &ctx, const align::Label &label) {
    if (!label.shown) return;
    const std::string text = DistanceLabel(align::LABEL_TABLE, label.key, label.distance);
    ctx.stroke.Begin(LXiSTROKE_TEXT, align::COLOUR_LABEL_GREY, 1.0);
    ctx.stroke.Text(text.c_str(), LXiTEXT_CENTER);
    ctx.Vertex(label.position);
}

void AlignToolFrame::DrawSwitches(ToolDrawContext &ctx, const AlignDrawing &d) {
    for (const align::SwitchHandle &s : d.switches) {
        ctx.handles.Handle(s.position, kHandleAxes, s.part, int(s.flags));
        ctx.stroke.BeginW(LXiSTROKE_LINES, s.colour, 1.0, kSwitchWidth);
        ctx.Vertex(s.lineFrom);
        ctx.Vertex(s.lineTo);
    }
}

void AlignToolFrame::DrawHandles(ToolDrawContext &ctx) {
    if (m_invalid) return;
    const auto *xfrm = ReadPacket<LXpToolXfrm>(ctx.vts, LXsP_TOOL_XFRM);
    const bool workPlane = IsWorkPlaneActive(xfrm);
    AlignDrawing d;
    if (!align::BuildAlignDrawing(m_kind, ViewFor(ctx, workPlane), d)) return;
    const bool component = m_kind == align::AlignTool::COMPONENT;
    if (d.targetHandle)
        ctx.handles.Handle(d.targetMarker.centre, kHandleAxes, align::PART_TARGET, int(align::HANDLE_FLAGS));
    DrawMarker(ctx, d.targetMarker, workPlane);
    if (!component) ctx.stroke.SetPart(align::PART_NO_HIT);
    if (d.guide) {
        ctx.stroke.SetPart(align::PART_NO_HIT);
        ctx.stroke.BeginWD(LXiSTROKE_LINES, align::COLOUR_CYAN, 1.0, kGuideWidth,
                           int(align::GUIDE_DASH_PATTERN));
        ctx.Vertex(d.guideFrom);
        ctx.Vertex(d.guideTo);
    }
    if (component) DrawLabel(ctx, d.destinationLabel);
    DrawMarker(ctx, d.sourceMarker, workPlane);
    DrawSwitches(ctx, d);
    ctx.stroke.SetPart(align::PART_NO_HIT);
    DrawMarker(ctx, d.destinationMarker, workPlane);
    ctx.stroke.BeginW(LXiSTROKE_LINES, align::COLOUR_CYAN, 1.0, kMoveLineWidth);
    ctx.Vertex(m_source.world);
    ctx.Vertex(d.targetMarker.centre);
    DrawLabel(ctx, d.sourceLabel);
    if (!component) DrawLabel(ctx, d.destinationLabel);
}

}  // namespace qk
