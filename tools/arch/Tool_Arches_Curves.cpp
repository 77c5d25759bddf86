#include "Tool_Arches_Curves.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"

namespace gORVA_Tools_Arch {

using qk::constants::HALF_PI;
using qk::constants::PI;
using qk::math::Distance;
using qk::math::Length;

namespace {

// sin(pi) in double precision: the elliptical arch's last point keeps the same rise as its formula gives.
constexpr double SIN_PI = 1.2246467991473532e-16;

int EffectiveType(int type) {
    return (type < ARCH_SEMI || type > ARCH_ELLIPTICAL) ? ARCH_SEMI : type;
}

// NaN and infinities fail the comparison and fall back to the minimum as well.
double AtLeastMinimum(double value) {
    return (std::isfinite(value) && value >= ARCH_MIN_DISTANCE) ? value : ARCH_MIN_DISTANCE;
}

int RoundUpToMultiple(int n, int multiple) {
    return (n + multiple - 1) / multiple * multiple;
}

double TypeHeight(int type, double span, double height) {
    switch (type) {
        case ARCH_SEMI:
        case ARCH_OGEE_SEMI:
        case ARCH_OGEE_SEMI_REVERSE:
            return span / 2;
        case ARCH_SEGMENTAL:
            return std::min(height, span / 2);
        case ARCH_EQUILATERAL:
        case ARCH_OGEE_EQUILATERAL:
            return ARCH_SQRT3 * span / 2;
        default:
            return height;
    }
}

int TypeSegments(int type, int segments) {
    switch (type) {
        case ARCH_EQUILATERAL:
        case ARCH_LANCET:
            return RoundUpToMultiple(segments, 2);
        case ARCH_OGEE_EQUILATERAL:
        case ARCH_OGEE_SEMI:
        case ARCH_OGEE_SEMI_REVERSE:
            return std::max(8, RoundUpToMultiple(segments, 4));
        default:
            return segments;
    }
}

bool IsPositive(double value) {
    return std::isfinite(value) && value > 0.0;
}

// Span of a curve from start to end, or 0 when degenerate.
double SpanOf(const Vector3 &start, const Vector3 &end) {
    const double span = Distance(start, end);
    return IsPositive(span) ? span : 0.0;
}

// Appends the points built relative to the origin, moved to start.
void AppendAt(const Vector3 &start, const std::vector<Vector3> &local, std::vector<Vector3> &points) {
    for (const Vector3 &p : local) points.emplace_back(start.x() + p.x(), start.y() + p.y(), 0.0);
}

void AppendReversed(const std::vector<Vector3> &piece, std::vector<Vector3> &points) {
    points.insert(points.end(), piece.rbegin(), piece.rend());
}

// Completes an ogee from its right half (span end to apex) by mirroring it about x = L/2.
void MirrorOgeeHalf(double L, std::vector<Vector3> &points) {
    const std::vector<Vector3> half(points.begin(), points.end() - 1);
    for (auto it = half.rbegin(); it != half.rend(); ++it) points.emplace_back(L - it->x(), it->y(), it->z());
}

}  // namespace

ArchInputs ClampArchInputs(ArchInputs in) {
    const int type = EffectiveType(in.type);
    in.span = AtLeastMinimum(in.span);
    in.height = TypeHeight(type, in.span, AtLeastMinimum(in.height));
    in.segments = TypeSegments(type, std::clamp(in.segments, ARCH_MIN_SEGMENTS, ARCH_MAX_SEGMENTS));
    if (in.mode == ARCH_GEO_POLYGON_STRIP && type == ARCH_EQUILATERAL)
        in.segments = std::max(in.segments, ARCH_MIN_STRIP_EQUILATERAL_SEGMENTS);
    in.depth = AtLeastMinimum(in.depth);
    in.type = type;
    return in;
}

void GenCircleSegmentPoints(std::vector<Vector3> &points, int segments, double radius, double startAngle,
                            double endAngle, const Vector3 &centre, bool skipFirst, bool skipLast) {
    if (segments < 0) return;
    const double step = segments > 0 ? (endAngle - startAngle) / segments : 0.0;
    const int count = segments + 1 - (skipFirst ? 1 : 0) - (skipLast ? 1 : 0);
    double a = skipFirst ? startAngle + step : startAngle;
    for (int i = 0; i < count; ++i) {
        points.emplace_back(centre.x() + radius * std::cos(a), centre.y() + radius * std::sin(a), 0.0);
        a += step;
    }
}

void SemiCircularArch(std::vector<Vector3> &points, const Vector3 &start, const Vector3 &end, double radius,
                      int segments) {
    if (segments < 1 || SpanOf(start, end) <= 0.0 || !IsPositive(radius)) return;
    points.push_back(end);
    GenCircleSegmentPoints(points, segments, radius, 0.0, PI, (start + end) * 0.5, true, true);
    points.push_back(start);
}

void SegmentalArch(const Vector3 &start, const Vector3 &end, double height, int segments, double offset,
                   std::vector<Vector3> &points) {
    const double c = SpanOf(start, end) / 2;
    if (segments < 1 || c <= 0.0 || !IsPositive(height)) return;
    const double h = std::min(height, c);
    double R = (h * h + c * c) / (2 * h);
    const Vector3 mid = (start + end) * 0.5;
    const Vector3 C(mid.x(), mid.y() + (h - R), 0.0);
    Vector3 e = end, s = start;
    if (offset > 0.0) {
        R = R + offset;
        Vector3 toEnd = end - C, toStart = start - C;
        qk::math::Normalize(toEnd);
        qk::math::Normalize(toStart);
        e = C + toEnd * R;
        s = C + toStart * R;
    }
    const double alpha = std::acos(std::clamp(std::fabs(e.x() - C.x()) / R, -1.0, 1.0));
    points.push_back(e);
    GenCircleSegmentPoints(points, segments, R, alpha, PI - alpha, C, true, true);
    points.push_back(s);
}

void EquilateralArchPolyStrip(const Vector3 &start, const Vector3 &end, int segments, double offset,
                              std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    if (segments < ARCH_MIN_STRIP_EQUILATERAL_SEGMENTS || L <= 0.0) return;
    double R = L;
    const bool outer = offset > 0.0;
    Vector3 apex;
    if (outer) {
        const double reach = offset + L;
        apex = Vector3(start.x() + L / 2, start.y() + std::sqrt(std::fabs(reach * reach - (L / 2) * (L / 2))),
                       0.0);
        R = L + offset;
    }
    const int a = segments / 2;
    const double m = (PI / 3) / (2 * a);
    GenCircleSegmentPoints(points, a - 1, R, 0.0, PI / 3 - m, start, false, false);
    GenCircleSegmentPoints(points, SINGLE_SEGMENT, R, PI / 3 - m, PI / 3, start, true, false);
    if (outer) points.back() = apex;
    GenCircleSegmentPoints(points, SINGLE_SEGMENT, R, 2 * PI / 3, 2 * PI / 3 + m, end, true, false);
    GenCircleSegmentPoints(points, a - 1, R, 2 * PI / 3 + m, PI, end, true, false);
}

void EquilateralArch(const Vector3 &start, const Vector3 &end, double /*height*/, int segments,
                     std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 2;
    if (k < 1 || L <= 0.0) return;
    GenCircleSegmentPoints(points, k, L, 0.0, PI / 3, start, false, false);
    GenCircleSegmentPoints(points, k, L, 2 * PI / 3, PI, end, true, false);
}

void LancetArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 2;
    if (k < 1 || L <= 0.0 || !IsPositive(height)) return;
    const double q = L / 4, halfH = height / 2;
    const double u = std::acos(std::clamp(q / std::sqrt(q * q + halfH * halfH), -1.0, 1.0));
    const double rho = q + halfH * std::tan(u);
    const double theta = 2 * (HALF_PI - u);
    std::vector<Vector3> local{Vector3(L, 0.0, 0.0)};
    GenCircleSegmentPoints(local, k, rho, 0.0, theta, Vector3(L - rho, 0.0, 0.0), true, false);
    GenCircleSegmentPoints(local, k, rho, PI - theta, PI, Vector3(rho, 0.0, 0.0), true, true);
    local.emplace_back(0.0, 0.0, 0.0);
    AppendAt(start, local, points);
}

void OgeeEquilateralArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                         std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 4;
    if (k < 1 || L <= 0.0 || !IsPositive(height)) return;
    std::vector<Vector3> local, piece;
    GenCircleSegmentPoints(local, k, L / 2, 0.0, PI / 3, Vector3(L / 2, 0.0, 0.0), false, false);
    GenCircleSegmentPoints(piece, k, L / 2, PI, 4 * PI / 3, Vector3(L, height, 0.0), false, true);
    AppendReversed(piece, local);
    MirrorOgeeHalf(L, local);
    AppendAt(start, local, points);
}

void OgeeSemiArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                  std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 4;
    if (k < 1 || L <= 0.0 || !IsPositive(height)) return;
    std::vector<Vector3> local, piece;
    GenCircleSegmentPoints(local, k, L / 4, 0.0, HALF_PI, Vector3(3 * L / 4, 0.0, 0.0), false, false);
    GenCircleSegmentPoints(piece, k, L / 4, PI, 3 * PI / 2, Vector3(3 * L / 4, height, 0.0), false, true);
    AppendReversed(piece, local);
    MirrorOgeeHalf(L, local);
    AppendAt(start, local, points);
}

void OgeeSemiReverseArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                         std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 4;
    if (k < 1 || L <= 0.0 || !IsPositive(height)) return;
    std::vector<Vector3> local, piece;
    GenCircleSegmentPoints(piece, k, L / 4, PI, 3 * PI / 2, Vector3(L, height / 2, 0.0), false, false);
    AppendReversed(piece, local);
    GenCircleSegmentPoints(local, k, L / 4, 0.0, HALF_PI, Vector3(L / 2, height / 2, 0.0), true, false);
    MirrorOgeeHalf(L, local);
    AppendAt(start, local, points);
}

void ParabolicArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                   std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    const int k = segments / 2;
    if (k < 1 || L <= 0.0 || !IsPositive(height)) return;
    const double half = L / 2, step = half / k;
    const double curvature = height / (half * half);
    std::vector<Vector3> apexOut;
    for (int i = 0; i < k; ++i) {
        const double x = i * step;
        apexOut.emplace_back(x, height - curvature * (x * x), 0.0);
    }
    apexOut.emplace_back(half, 0.0, 0.0);
    std::vector<Vector3> local;
    for (auto it = apexOut.rbegin(); it != apexOut.rend(); ++it)
        local.emplace_back(it->x() + half, it->y(), 0.0);
    for (auto it = apexOut.begin() + 1; it != apexOut.end(); ++it)
        local.emplace_back(half - it->x(), it->y(), 0.0);
    AppendAt(start, local, points);
}

void EllipticalArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                    std::vector<Vector3> &points) {
    const double L = SpanOf(start, end);
    if (segments < 1 || L <= 0.0 || !IsPositive(height)) return;
    const double half = L / 2;
    std::vector<Vector3> local;
    for (int i = 0; i < segments; ++i) {
        const double a = i * PI / segments;
        local.emplace_back(half * std::cos(a) + half, height * std::sin(a), 0.0);
    }
    local.emplace_back(0.0, height * SIN_PI, 0.0);
    AppendAt(start, local, points);
}

bool BuildArchCurve(int type, double L, double H, int n, std::vector<Vector3> &out) {
    if (!IsPositive(L) || !IsPositive(H)) return false;
    const std::size_t before = out.size();
    const Vector3 S(0.0, 0.0, 0.0), E(L, 0.0, 0.0);
    switch (EffectiveType(type)) {
        case ARCH_SEMI:
            SemiCircularArch(out, S, E, H, n);
            break;
        case ARCH_SEGMENTAL:
            SegmentalArch(S, E, H, n, 0.0, out);
            break;
        case ARCH_EQUILATERAL:
            EquilateralArch(S, E, H, n, out);
            break;
        case ARCH_LANCET:
            LancetArch(S, E, H, n, out);
            break;
        case ARCH_OGEE_EQUILATERAL:
            OgeeEquilateralArch(S, E, H, n, out);
            break;
        case ARCH_OGEE_SEMI:
            OgeeSemiArch(S, E, H, n, out);
            break;
        case ARCH_OGEE_SEMI_REVERSE:
            OgeeSemiReverseArch(S, E, H, n, out);
            break;
        case ARCH_PARABOLIC:
            ParabolicArch(S, E, H, n, out);
            break;
        default:
            EllipticalArch(S, E, H, n, out);
            break;
    }
    return out.size() > before;
}

bool BuildStripIntrados(int type, double L, double H, int n, std::vector<Vector3> &out) {
    const int effective = EffectiveType(type);
    if (effective == ARCH_EQUILATERAL) {
        const std::size_t before = out.size();
        EquilateralArchPolyStrip(Vector3(0.0, 0.0, 0.0), Vector3(L, 0.0, 0.0), n, 0.0, out);
        return out.size() > before;
    }
    return effective <= ARCH_SEGMENTAL && BuildArchCurve(effective, L, H, n, out);
}

bool BuildExtrados(int type, double L, double H, int n, double d, std::vector<Vector3> &out) {
    if (!IsPositive(d) || !IsPositive(L) || !IsPositive(H)) return false;
    const std::size_t before = out.size();
    const Vector3 S(0.0, 0.0, 0.0), E(L, 0.0, 0.0);
    switch (EffectiveType(type)) {
        case ARCH_SEMI:
            SemiCircularArch(out, Vector3(-d, 0.0, 0.0), Vector3(L + d, 0.0, 0.0), H + d, n);
            break;
        case ARCH_SEGMENTAL:
            SegmentalArch(S, E, H, n, d, out);
            break;
        case ARCH_EQUILATERAL:
            EquilateralArchPolyStrip(S, E, n, d, out);
            break;
        default:
            break;
    }
    return out.size() > before;
}

void AppendKnockoutPoints(int type, double L, double H, std::vector<Vector3> &out) {
    const double B = (EffectiveType(type) == ARCH_LANCET && H < L / 2) ? L / 2 : H;
    const double T = B + std::min(0.2, std::max(0.1, 0.25 * B));
    out.emplace_back(0.0, T, 0.0);
    out.emplace_back(L, T, 0.0);
}

}  // namespace gORVA_Tools_Arch
