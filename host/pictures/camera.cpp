#include "host/base/numbers.hpp"
#include "host/pictures/camera.hpp"

#include "host/pictures/picture_scene.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace gorva::host {

namespace {

const double kPi = 3.14159265358979323846;
const double kHalfFov = 20.0 * kPi / 180.0;

bool ParseVec3(const std::string &text, Vec3 &out) {
    std::string s = text;
    std::replace(s.begin(), s.end(), ',', ' ');
    std::istringstream in(s);
    std::string word;
    for (int i = 0; i < 3; ++i) {
        if (!(in >> word)) return false;
        std::string reason;
        if (!ReadNumber(word, NumberKind::kReal, out[size_t(i)], reason)) return false;
    }
    return !(in >> word);
}

std::array<Vec3, 8> Corners(const Bounds &b) {
    std::array<Vec3, 8> c;
    for (int i = 0; i < 8; ++i)
        c[size_t(i)] = {i & 1 ? b.max[0] : b.min[0], i & 2 ? b.max[1] : b.min[1],
                        i & 4 ? b.max[2] : b.min[2]};
    return c;
}

}  // namespace

bool SetViewOption(ViewOptions &opts, const std::string &name, const std::string &value, std::string &error) {
    auto number = [&](double lo, double hi, double &out) {
        double v = 0.0;
        std::string reason;
        if (!ReadNumber(value, NumberKind::kReal, v, reason) || !(v >= lo && v <= hi)) {
            error = name + " must be a number from " + std::to_string(int(lo)) + " to " +
                    std::to_string(int(hi)) + ", not \"" + value + "\"";
            return false;
        }
        out = v;
        return true;
    };
    double v = 0;
    if (name == "view") {
        if (value != "persp" && value != "top" && value != "front" && value != "side") {
            error = "view must be persp, top, front or side, not \"" + value + "\"";
            return false;
        }
        opts.view = value;
        return true;
    }
    if (name == "width" || name == "height") {
        if (!number(16, 8192, v)) return false;
        (name == "width" ? opts.width : opts.height) = int(v);
        return true;
    }
    if (name == "fit") {
        if (!number(1, 100, v)) return false;
        opts.fit = v;
        return true;
    }
    if (name == "eye" || name == "target") {
        Vec3 p;
        if (!ParseVec3(value, p)) {
            error = name + " must be three numbers x,y,z, not \"" + value + "\"";
            return false;
        }
        (name == "eye" ? opts.eye : opts.target) = p;
        (name == "eye" ? opts.hasEye : opts.hasTarget) = true;
        return true;
    }
    error = "unknown view option \"" + name + "\"";
    return false;
}

void Bounds::Add(const Vec3 &p) {
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return;
    for (int i = 0; i < 3; ++i) {
        min[size_t(i)] = std::min(min[size_t(i)], p[size_t(i)]);
        max[size_t(i)] = std::max(max[size_t(i)], p[size_t(i)]);
    }
}

Bounds SceneBounds(Document &doc) {
    return ReadPictureScene(doc).bounds;
}

Camera Camera::Fit(const ViewOptions &opts, const Bounds &bounds) {
    Camera cam;
    cam.m_width = opts.width;
    cam.m_height = opts.height;
    cam.m_ortho = opts.view != "persp";
    Vec3 dir{0.6, 0.45, 1.0}, upHint{0, 1, 0};  // from the target towards the eye
    if (opts.view == "top") dir = {0, 1, 0}, upHint = {0, 0, -1};
    if (opts.view == "front") dir = {0, 0, 1};
    if (opts.view == "side") dir = {1, 0, 0};
    dir = Normalize(dir, {0, 0, 1});
    const Vec3 target = opts.hasTarget ? opts.target : Scale(Add(bounds.min, bounds.max), 0.5);
    if (opts.hasEye) dir = Normalize(Sub(opts.eye, target), dir);
    cam.Orient(dir, upHint);
    const double radius = std::max(0.5 * Length(Sub(bounds.max, bounds.min)), 1e-3);
    if (cam.m_ortho)
        cam.FitOrthographic(opts, Corners(bounds), target, dir, radius);
    else
        cam.FitPerspective(opts, Corners(bounds), target, dir, radius);
    cam.SetDepthRange(bounds);
    return cam;
}

void Camera::Orient(const Vec3 &dir, const Vec3 &upHint) {
    m_forward = Scale(dir, -1.0);
    m_right = Normalize(Cross(m_forward, upHint), {1, 0, 0});
    if (Length(Cross(m_forward, upHint)) < 1e-9) m_right = Normalize(Cross(m_forward, {0, 0, -1}), {1, 0, 0});
    m_up = Cross(m_right, m_forward);
}

void Camera::FitOrthographic(const ViewOptions &opts, const std::array<Vec3, 8> &corners, Vec3 target,
                             const Vec3 &dir, double radius) {
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const auto &c : corners) {
        Vec3 d = Sub(c, target);
        double u = Dot(d, m_right), v = Dot(d, m_up);
        lo[0] = std::min(lo[0], u), hi[0] = std::max(hi[0], u);
        lo[1] = std::min(lo[1], v), hi[1] = std::max(hi[1], v);
    }
    if (!opts.hasTarget)
        target = Add(target, Add(Scale(m_right, 0.5 * (lo[0] + hi[0])), Scale(m_up, 0.5 * (lo[1] + hi[1]))));
    double spanU = std::max(hi[0] - lo[0], 1e-6), spanV = std::max(hi[1] - lo[1], 1e-6);
    m_focal = std::min(m_width / spanU, m_height / spanV) / opts.fit;
    m_eye = opts.hasEye ? opts.eye : Add(target, Scale(dir, 4.0 * radius));
}

void Camera::FitPerspective(const ViewOptions &opts, const std::array<Vec3, 8> &corners, const Vec3 &target,
                            const Vec3 &dir, double radius) {
    const double halfW = m_width * 0.5, halfH = m_height * 0.5;
    m_focal = halfH / std::tan(kHalfFov);
    if (opts.hasEye) {
        m_eye = opts.eye;
        return;
    }
    auto fits = [&](double dist) {
        m_eye = Add(target, Scale(dir, dist));
        for (const auto &c : corners) {
            double x, y, depth;
            if (!Project(c, x, y, depth) || depth < 1e-6) return false;
            double rx = std::fabs(x - halfW) / halfW * opts.fit, ry = std::fabs(y - halfH) / halfH * opts.fit;
            if (rx > 1.0 || ry > 1.0) return false;
        }
        return true;
    };
    double hi = radius * opts.fit / std::sin(kHalfFov * std::min(1.0, double(m_width) / m_height)) + radius;
    double lo = radius;
    for (int i = 0; i < 8 && !fits(hi); ++i) hi *= 2.0;
    for (int i = 0; i < 40; ++i) {
        double mid = 0.5 * (lo + hi);
        (fits(mid) ? hi : lo) = mid;
    }
    m_eye = Add(target, Scale(dir, hi));
}

void Camera::SetDepthRange(const Bounds &bounds) {
    Bounds b = bounds;
    if (b.Empty()) b.Add(Add(m_eye, m_forward)), b.Add(Add(m_eye, Scale(m_forward, 2.0)));
    double lo = 1e300, hi = -1e300;
    for (const auto &c : Corners(b)) {
        double d = Dot(Sub(c, m_eye), m_forward);
        lo = std::min(lo, d), hi = std::max(hi, d);
    }
    double room = std::max(hi - lo, 1e-3);
    if (m_ortho) {
        m_near = lo - room, m_far = hi + room;
        return;
    }
    // The depth buffer's precision follows far / near: keep the near plane as far out as the bounds
    // allow, and at most this ratio away when the eye is among them.
    m_far = std::max(hi, 1e-3) + room;
    m_near = std::max(lo > 0 ? 0.5 * lo : 0.0, 1e-4 * m_far);
}

std::array<double, 5> Camera::PlaneDistances(const Vec3 &view) const {
    // Strokes may run a margin beyond the picture so that their ends and widths never show a cut.
    const double margin = 2.0, spanX = margin * 0.5 * m_width, spanY = margin * 0.5 * m_height;
    double x = m_focal * view[0], y = m_focal * view[1];
    if (m_ortho) return {spanX - x, spanX + x, spanY - y, spanY + y, 1.0};
    double d = view[2];
    return {spanX * d - x, spanX * d + x, spanY * d - y, spanY * d + y, d - m_near};
}

bool Camera::ClipSegment(Vec3 &a, Vec3 &b) const {
    std::array<double, 5> da = PlaneDistances(ToView(a)), db = PlaneDistances(ToView(b));
    double t0 = 0.0, t1 = 1.0;
    for (size_t i = 0; i < da.size(); ++i) {
        if (!std::isfinite(da[i]) || !std::isfinite(db[i])) return false;
        if (da[i] < 0 && db[i] < 0) return false;
        if (da[i] < 0) t0 = std::max(t0, da[i] / (da[i] - db[i]));
        if (db[i] < 0) t1 = std::min(t1, da[i] / (da[i] - db[i]));
    }
    if (t0 > t1) return false;
    Vec3 from = a, along = Sub(b, a);
    if (t0 > 0) a = Add(from, Scale(along, t0));
    if (t1 < 1) b = Add(from, Scale(along, t1));
    return true;
}

void Camera::ClipPolygon(std::vector<Vec3> &pts, std::vector<bool> *boundary) const {
    std::vector<std::array<double, 5>> dist(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        dist[i] = PlaneDistances(ToView(pts[i]));
        if (!std::all_of(dist[i].begin(), dist[i].end(), [](double d) { return std::isfinite(d); })) {
            pts.clear();
            break;
        }
    }
    std::vector<bool> flags = boundary ? *boundary : std::vector<bool>(pts.size(), false);
    flags.resize(pts.size(), false);
    for (size_t plane = 0; plane < 5 && !pts.empty(); ++plane) {
        bool allInside = std::all_of(dist.begin(), dist.end(), [&](const auto &d) { return d[plane] >= 0; });
        if (allInside) continue;
        std::vector<Vec3> out;
        std::vector<std::array<double, 5>> outDist;
        std::vector<bool> outFlags;
        const size_t n = pts.size();
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            double di = dist[i][plane], dj = dist[j][plane];
            if (di >= 0) out.push_back(pts[i]), outDist.push_back(dist[i]), outFlags.push_back(flags[i]);
            if ((di >= 0) != (dj >= 0)) {
                double t = di / (di - dj);
                out.push_back(Add(pts[i], Scale(Sub(pts[j], pts[i]), t)));
                std::array<double, 5> d;
                for (size_t k = 0; k < 5; ++k) d[k] = dist[i][k] + t * (dist[j][k] - dist[i][k]);
                d[plane] = 0.0;
                outDist.push_back(d);
                // Entering keeps the cut edge's flag; leaving starts an edge along the cut.
                outFlags.push_back(di >= 0 ? false : flags[i]);
            }
        }
        pts = std::move(out), dist = std::move(outDist), flags = std::move(outFlags);
    }
    if (pts.size() < 3) pts.clear(), flags.clear();
    if (boundary) *boundary = std::move(flags);
}

Vec3 Camera::ToView(const Vec3 &world) const {
    Vec3 d = Sub(world, m_eye);
    return {Dot(d, m_right), Dot(d, m_up), Dot(d, m_forward)};
}

std::array<float, 16> Camera::ClipMatrix() const {
    const double sx = 2.0 * m_focal / m_width, sy = 2.0 * m_focal / m_height, n = m_near, f = m_far;
    std::array<float, 16> m{};
    m[0] = float(sx), m[5] = float(sy);
    if (m_ortho) {
        m[10] = float(-2.0 / (f - n)), m[14] = float(-(f + n) / (f - n)), m[15] = 1.0f;
    } else {
        m[10] = float((f + n) / (n - f)), m[14] = float(2.0 * f * n / (n - f)), m[11] = -1.0f;
    }
    return m;
}

bool Camera::Project(const Vec3 &world, double &x, double &y, double &depth) const {
    Vec3 d = Sub(world, m_eye);
    depth = Dot(d, m_forward);
    double u = Dot(d, m_right), v = Dot(d, m_up);
    if (!m_ortho) {
        if (!(depth >= m_near * (1.0 - 1e-9)) || depth <= 0.0) return false;
        u /= depth, v /= depth;
    }
    x = m_width * 0.5 + m_focal * u;
    y = m_height * 0.5 - m_focal * v;
    return std::isfinite(x) && std::isfinite(y);
}

}  // namespace gorva::host
