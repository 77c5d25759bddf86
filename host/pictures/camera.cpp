#include "host/pictures/camera.hpp"

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
        char *end = nullptr;
        out[size_t(i)] = std::strtod(word.c_str(), &end);
        if (*end != '\0' || !std::isfinite(out[size_t(i)])) return false;
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

Vec3 Row(const Matrix4 &m, int r) {
    return {m[size_t(r)][0], m[size_t(r)][1], m[size_t(r)][2]};
}

}  // namespace

bool SetViewOption(ViewOptions &opts, const std::string &name, const std::string &value, std::string &error) {
    auto number = [&](double lo, double hi, double &out) {
        char *end = nullptr;
        double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(v >= lo && v <= hi)) {
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

Bounds SceneBounds(Host &host) {
    Bounds b;
    WorldMatrixCache worlds;
    for (const auto &item : host.scene.Items()) {
        if (item->type < 0 || !ItemTypes()[size_t(item->type)].locator) continue;
        const Matrix4 &world = worlds.Of(*item);
        if (item->mesh)
            for (const auto &p : item->mesh->positions) b.Add(TransformPoint(world, {p[0], p[1], p[2]}));
        else
            b.Add(Row(world, 3));
    }
    if (b.Empty()) {
        b.Add({-0.5, -0.5, -0.5});
        b.Add({0.5, 0.5, 0.5});
    }
    return b;
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

bool Camera::ClipToView(Vec3 &a, Vec3 &b) const {
    if (m_ortho) return true;
    const double nearDepth = 1e-3;
    double da = Dot(Sub(a, m_eye), m_forward), db = Dot(Sub(b, m_eye), m_forward);
    if (!(da >= nearDepth || db >= nearDepth)) return false;
    if (da < nearDepth) a = Add(a, Scale(Sub(b, a), (nearDepth - da) / (db - da)));
    if (db < nearDepth) b = Add(b, Scale(Sub(a, b), (nearDepth - db) / (da - db)));
    return true;
}

bool Camera::Project(const Vec3 &world, double &x, double &y, double &depth) const {
    Vec3 d = Sub(world, m_eye);
    depth = Dot(d, m_forward);
    double u = Dot(d, m_right), v = Dot(d, m_up);
    if (!m_ortho) {
        if (depth <= 1e-6) return false;
        u /= depth, v /= depth;
    }
    x = m_width * 0.5 + m_focal * u;
    y = m_height * 0.5 - m_focal * v;
    return std::isfinite(x) && std::isfinite(y);
}

}  // namespace gorva::host
