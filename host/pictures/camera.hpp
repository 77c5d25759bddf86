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
#include <vector>

#include "host/model/document.hpp"
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
    bool openGl = true;  // PNG through OpenGL when the machine offers it; false: cairo's painter
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
Bounds SceneBounds(Document &doc);

/// A camera: the eye, an orthonormal frame and the mapping to pixels (origin top left, y down).
class Camera {
public:
    /// The camera of the options for the given bounds (see the file comment for the defaults).
    static Camera Fit(const ViewOptions &opts, const Bounds &bounds);
    /// Pixel position and depth (distance along the view direction) of a world point; false when a
    /// perspective camera cannot see it (nearer than the near plane, or behind the eye).
    bool Project(const Vec3 &world, double &x, double &y, double &depth) const;
    /// A world point in the camera's own coordinates: along right, along up, and depth.
    Vec3 ToView(const Vec3 &world) const;
    /// Pixels per world unit at a depth (perspective) or everywhere (orthographic).
    double PixelsPerUnit(double depth) const { return m_ortho ? m_focal : m_focal / depth; }
    /// Cuts a world segment to the view: the part beyond the near plane (perspective) and within a
    /// margin around the picture; false when nothing of it is left or a point is not finite.
    bool ClipSegment(Vec3 &a, Vec3 &b) const;
    /// Cuts a world polygon to the view as ClipSegment does (the cut of a concave polygon may leave
    /// edges of no area along the border); `boundary`, when given, holds a flag per edge (point i to
    /// i + 1) and is kept in step, edges made by the cut being false. Fewer than three points are
    /// left when nothing is in view.
    void ClipPolygon(std::vector<Vec3> &pts, std::vector<bool> *boundary = nullptr) const;
    /// Depth of the near plane (perspective: nothing nearer is drawn) and of the far plane; both
    /// hold the fitted bounds with room to spare.
    double NearDepth() const { return m_near; }
    double FarDepth() const { return m_far; }
    /// The projection as an OpenGL matrix (column-major) from view coordinates (right, up, -depth)
    /// to clip space, with the near and far planes above.
    std::array<float, 16> ClipMatrix() const;
    const Vec3 &Eye() const { return m_eye; }
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

    /// Near and far planes around the bounds' corners.
    void SetDepthRange(const Bounds &bounds);
    /// Signed distances of a view-space point to the clip planes (inside when all are >= 0).
    std::array<double, 5> PlaneDistances(const Vec3 &view) const;

    Vec3 m_eye{}, m_right{}, m_up{}, m_forward{};
    double m_near = 0.0, m_far = 1.0;  // set once fitted
    bool m_ortho = false;
    double m_focal = 1.0;  // pixels per unit at depth 1 (perspective) or per metre (orthographic)
    int m_width = 1, m_height = 1;
};

}  // namespace gorva::host
