// Pictures of the scene as a viewport shows it: shaded polygons, wires, selection, items and what a
// tool draws over it, painted with cairo through the camera of camera.hpp.
#pragma once
#include "host/guard.hpp"

#include "host/pictures/camera.hpp"

#include <array>
#include <string>
#include <vector>

#include "host/host.hpp"

namespace gorva::host {

using Rgba = std::array<double, 4>;

/// Something drawn over the scene in world space: a line strip (closed or open), a set of markers
/// (discs, or squares when `square`, `width` pixels across, outlined in dark), a circle (centre,
/// then a point on its rim; drawn round on screen) or a text anchored at its first point and
/// aligned left, centred or right of it (`align` 0, 1, 2). Shapes without points draw nothing.
struct OverlayShape {
    enum Kind { Strip, Points, Circle, Text } kind = Strip;
    std::vector<Vec3> points;
    bool closed = false;
    bool square = false;
    bool dashed = false;
    int align = 0;
    Rgba colour{1, 1, 0, 1};
    double width = 2.0;  // line width or marker size in pixels
    std::string text;
};

/// The scene's bounds (SceneBounds) grown to hold every overlay point, so that what is drawn over
/// the scene stays in the picture.
Bounds PictureBounds(Host &host, const std::vector<OverlayShape> &overlay);

/// Renders the scene (and the overlay, drawn last with the same camera) to a .png or .svg file.
/// False with a reason for another extension or a file that cannot be written.
bool RenderScene(Host &host, const std::string &path, const ViewOptions &opts, std::string &error,
                 const std::vector<OverlayShape> &overlay = {});

}  // namespace gorva::host
