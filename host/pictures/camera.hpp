// The camera of pictures: view options, the scene's bounds and the projection used for the scene and
// for anything drawn over it.
//
// Default camera: a perspective three-quarter view from the front right and above (the eye lies
// along (0.6, 0.45, 1.0) from the centre of the scene's bounds, Y up, 40 degree vertical field),
// fitted so that the bounds fill the picture with a margin. "top" looks down -Y (X right, -Z up),
// "front" looks down -Z (X right, Y up), "side" looks down -X from +X (-Z right, Y up); these three
// are orthographic and fitted the same way.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <string>

#include "host/host.hpp"
#include "host/model/vec3.hpp"

namespace gorva::host {

/// View options of a picture, as given to the render command ("view:top width:800 eye:1,2,3").
struct ViewOptions {
    std::string view = "persp";  // persp, top, front or side
    int width = 960;             // pixels, 16 to 8192
    int height = 720;
    double fit = 1.15;  // margin factor around the bounds, >= 1 leaves room
    bool hasEye = false, hasTarget = false;
    Vec3 eye{0, 0, 0}, target{0, 0, 0};
};

/// Reads one option (name, value) into `opts`; false with a reason for unknown names or bad values.
bool SetViewOption(ViewOptions &opts, const std::string &name, const std::string &value, std::string &error);

/// World-space bounds; empty until a point is added.
struct Bounds {
    Vec3 min{1e300, 1e300, 1e300}, max{-1e300, -1e300, -1e300};
    /// Grows the bounds to hold p; a point that is not finite is left out.
    void Add(const Vec3 &p);
    bool Empty() const { return min[0] > max[0]; }
};

/// Bounds of every finite mesh point and item position in world space; a unit box around the
/// origin when there is none.
Bounds SceneBounds(Host &host);

/// A camera: the eye, an orthonormal frame and the mapping to pixels (origin top left, y down).
class Camera {
public:
    /// The camera of the options for the given bounds (see the file comment for the defaults).
    static Camera Fit(const ViewOptions &opts, const Bounds &bounds);
    /// Pixel position and depth (distance along the view direction) of a world point; false when the
    /// point lies behind the eye of a perspective camera.
    bool Project(const Vec3 &world, double &x, double &y, double &depth) const;
    /// Pixels per world unit at a depth (perspective) or everywhere (orthographic).
    double PixelsPerUnit(double depth) const { return m_ortho ? m_focal : m_focal / depth; }
    /// Cuts the segment to the part in front of the eye (a perspective camera sees nothing at or
    /// behind it); false when nothing of it is in front.
    bool ClipToView(Vec3 &a, Vec3 &b) const;
    /// Unit vector from the eye into the scene.
    const Vec3 &Forward() const { return m_forward; }
    bool Orthographic() const { return m_ortho; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    /// Sets the axes for a view from `dir` (target towards the eye) with `upHint` as the picture's up.
    void Orient(const Vec3 &dir, const Vec3 &upHint);
    /// Orthographic: centres the projected bounds (unless a target is given) and scales them to fit.
    void FitOrthographic(const ViewOptions &opts, const std::array<Vec3, 8> &corners, Vec3 target,
                         const Vec3 &dir, double radius);
    /// Perspective: the nearest eye distance along `dir` at which every corner fits with the margin.
    void FitPerspective(const ViewOptions &opts, const std::array<Vec3, 8> &corners, const Vec3 &target,
                        const Vec3 &dir, double radius);

    Vec3 m_eye{}, m_right{}, m_up{}, m_forward{};
    bool m_ortho = false;
    double m_focal = 1.0;  // pixels per unit at depth 1 (perspective) or per metre (orthographic)
    int m_width = 1, m_height = 1;
};

}  // namespace gorva::host
