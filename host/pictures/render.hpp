// Pictures of the scene as a viewport shows it: shaded polygons, wires, selection, items and what a
// tool draws over it, through the camera of camera.hpp. PNG pictures are rendered with a depth
// buffer through OpenGL (gl_painter.hpp) when the machine offers it, else painted in depth order
// with cairo, as SVG pictures always are; the overlay and texts are drawn by cairo on top.
#pragma once
#include "host/guard.hpp"

#include "host/pictures/camera.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/pictures/picture_scene.hpp"

namespace gorva::host {

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
Bounds PictureBounds(Document &doc, const std::vector<OverlayShape> &overlay);

/// The same for a scene's bounds.
Bounds PictureBounds(const Bounds &scene, const std::vector<OverlayShape> &overlay);

/// A picture in memory: pixels as 0xAARRGGBB words, rows from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    /// Empty when OpenGL drew the scene; else why cairo's painter did.
    std::string painterNote;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

/// Draws the PNG picture of a scene and overlay in memory (OpenGL when available and
/// `opts.openGl`, else cairo's painter); false with a reason when neither can.
bool DrawPicture(const PictureScene &scene, const ViewOptions &opts, const std::vector<OverlayShape> &overlay,
                 Picture &picture, std::string &error);

/// Renders the scene (and the overlay, drawn last with the same camera) to a .png or .svg file.
/// When OpenGL is unavailable, a PNG is painted by cairo and the reason is logged (and told once on
/// stderr). False with a reason for another extension or a file that cannot be written.
bool RenderScene(Document &doc, const std::string &path, const ViewOptions &opts, std::string &error,
                 const std::vector<OverlayShape> &overlay = {});

}  // namespace gorva::host
