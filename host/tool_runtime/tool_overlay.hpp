// What the active tool shows in a viewport, as shapes drawn over a picture of the scene.
#pragma once
#include "host/guard.hpp"

#include <vector>

#include "host/pictures/render.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

/// Marker sizes (pixels) and colours of handles: general handles are squares, move handles (a
/// tool's "move the whole thing" handle) discs, point handles small discs; the hot handle is
/// larger and amber.
namespace handle_style {
inline constexpr double kSquare = 11.0;
inline constexpr double kDisc = 13.0;
inline constexpr double kPoint = 7.0;
inline constexpr double kHotGrowth = 1.4;
inline const Rgba kColour{0.30, 0.75, 1.00, 1.0};
inline const Rgba kMoveColour{0.40, 0.92, 0.45, 1.0};
inline const Rgba kHotColour{1.00, 0.80, 0.10, 1.0};
}  // namespace handle_style

/// The drawing as overlay shapes: strokes first, then labels, then handles on top so that a label
/// never hides a handle. Each stroke of points, strip or loop is one shape, a lines stroke one shape
/// per pair, a circles stroke one circle per (centre, rim) pair; each text one label; each handle
/// one marker (an axis handle also its shaft, with the marker at its tip). Strokes and texts keep
/// their colour and alpha; incomplete pairs and empty strokes are skipped.
std::vector<OverlayShape> ToolOverlay(const ToolDrawing &drawing);

}  // namespace gorva::host
