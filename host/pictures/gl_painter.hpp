// Pictures through offscreen OpenGL: a display-less EGL context (Mesa's software rasteriser on
// machines without a GPU), a multisampled frame with a depth buffer, read back into a cairo image.
// EGL and OpenGL are loaded at run time, so that a machine without them still paints with cairo.
#pragma once
#include "host/guard.hpp"

#include <cairo.h>

#include <string>

#include "host/pictures/camera.hpp"
#include "host/pictures/picture_scene.hpp"

namespace gorva::host {

/// Why OpenGL pictures cannot be made in this process (empty when they can). The context is made
/// on first use and kept; GORVA_PICTURES=cairo turns it off.
const std::string &OpenGlUnavailable();

/// Paints the background, the grid, the polygons (flat-shaded, wires on top of their faces) and
/// the scene's standing lines with a depth buffer into `image` (an ARGB32 surface of the camera's
/// size); false with a reason when OpenGL fails.
bool PaintWithOpenGl(const PictureScene &scene, const Camera &cam, const SceneMarks &marks,
                     cairo_surface_t *image, std::string &error);

}  // namespace gorva::host
