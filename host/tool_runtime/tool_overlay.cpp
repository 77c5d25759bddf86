#include "host/tool_runtime/tool_overlay.hpp"

#include <algorithm>

#include <lxdraw.h>
#include <lxhandles.h>

namespace gorva::host {

namespace {

OverlayShape StrokeShape(const DrawnStroke &s, OverlayShape::Kind kind, std::vector<Vec3> points) {
    OverlayShape shape;
    shape.kind = kind;
    shape.points = std::move(points);
    shape.colour = {s.colour[0], s.colour[1], s.colour[2], s.alpha};
    shape.width = std::max(s.width, 1.0);
    shape.dashed = s.dash != 0 && (s.dash & 0xffff) != 0xffff;
    return shape;
}

void AddStroke(const DrawnStroke &s, std::vector<OverlayShape> &out) {
    if (s.verts.empty()) return;
    switch (s.type) {
        case LXiSTROKE_POINTS: {
            OverlayShape dots = StrokeShape(s, OverlayShape::Points, s.verts);
            dots.width = std::max(s.width * 3.0, 5.0);
            out.push_back(dots);
            break;
        }
        case LXiSTROKE_LINES:
            for (size_t i = 1; i < s.verts.size(); i += 2)
                out.push_back(StrokeShape(s, OverlayShape::Strip, {s.verts[i - 1], s.verts[i]}));
            break;
        case LXiSTROKE_LINE_STRIP:
        case LXiSTROKE_LINE_LOOP:
            out.push_back(StrokeShape(s, OverlayShape::Strip, s.verts));
            out.back().closed = s.type == LXiSTROKE_LINE_LOOP;
            break;
        case LXiSTROKE_CIRCLES:
            for (size_t i = 1; i < s.verts.size(); i += 2)
                out.push_back(StrokeShape(s, OverlayShape::Circle, {s.verts[i - 1], s.verts[i]}));
            break;
        default:
            break;
    }
}

void AddHandle(const DrawnHandle &h, std::vector<OverlayShape> &out) {
    namespace hs = handle_style;
    bool hot = (h.flags & LXi_THANDf_HOT) != 0;
    OverlayShape marker;
    marker.kind = OverlayShape::Points;
    marker.points = {h.pos};
    marker.square = h.kind == DrawnHandle::General || h.kind == DrawnHandle::Axis;
    marker.width = h.kind == DrawnHandle::Move    ? hs::kDisc
                   : h.kind == DrawnHandle::Point ? hs::kPoint
                                                  : hs::kSquare;
    marker.colour = h.kind == DrawnHandle::Move ? hs::kMoveColour : hs::kColour;
    if (hot) marker.width *= hs::kHotGrowth, marker.colour = hs::kHotColour;
    if (h.kind == DrawnHandle::Axis) {
        Vec3 tip{h.pos[0] + h.axis[0] * h.length, h.pos[1] + h.axis[1] * h.length,
                 h.pos[2] + h.axis[2] * h.length};
        OverlayShape shaft;
        shaft.points = {h.pos, tip};
        shaft.colour = marker.colour;
        out.push_back(shaft);
        marker.points = {tip};
    }
    out.push_back(marker);
}

}  // namespace

std::vector<OverlayShape> ToolOverlay(const ToolDrawing &drawing) {
    std::vector<OverlayShape> out;
    for (const auto &s : drawing.strokes) AddStroke(s, out);
    for (const auto &t : drawing.texts) {
        OverlayShape label;
        label.kind = OverlayShape::Text;
        label.points = {t.pos};
        label.text = t.text;
        label.align = t.justification == LXiTEXT_CENTER ? 1 : t.justification == LXiTEXT_RIGHT ? 2 : 0;
        label.colour = {t.colour[0], t.colour[1], t.colour[2], t.alpha};
        out.push_back(label);
    }
    for (const auto &h : drawing.handles) AddHandle(h, out);
    return out;
}

}  // namespace gorva::host
