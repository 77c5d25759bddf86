#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Tool_Arches_Curves.hpp"
#include "qk_constants.hpp"
#include "qk_math.hpp"

using namespace gORVA_Tools_Arch;
using qk::math::Vector3;

namespace {

constexpr double kTol = 1e-9;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Arc {
    int first, last;  // point indices on this circle, both inclusive
    double cx, cy, r;
};

ArchInputs Clamped(int type, double L, double H, int n, int mode = ARCH_GEO_POLYGON) {
    return ClampArchInputs({type, mode, n, H, L, 0.1});
}

std::vector<Vector3> Curve(const ArchInputs &in) {
    std::vector<Vector3> out;
    BuildArchCurve(in.type, in.span, in.height, in.segments, out);
    return out;
}

void ExpectPoint(const Vector3 &p, double x, double y, double tol = kTol) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
    EXPECT_EQ(p.z(), 0.0);
}

// The circles each type is made of, derived from the closed forms rather than the generators' recipes.
std::vector<Arc> ArcsOf(const ArchInputs &in) {
    const double L = in.span, H = in.height;
    const int n = in.segments, k = n / 4, h = n / 2;
    switch (in.type) {
        case ARCH_SEMI:
            return {{0, n, L / 2, 0, L / 2}};
        case ARCH_SEGMENTAL: {
            const double R = (H * H + L * L / 4) / (2 * H);
            return {{0, n, L / 2, H - R, R}};
        }
        case ARCH_EQUILATERAL:
            return {{0, h, 0, 0, L}, {h, n, L, 0, L}};
        case ARCH_LANCET: {
            const double rho = (L * L / 4 + H * H) / L;
            return {{0, h, L - rho, 0, rho}, {h, n, rho, 0, rho}};
        }
        case ARCH_OGEE_EQUILATERAL:
            return {{0, k, L / 2, 0, L / 2},
                    {k, 2 * k, L, H, L / 2},
                    {2 * k, 3 * k, 0, H, L / 2},
                    {3 * k, n, L / 2, 0, L / 2}};
        case ARCH_OGEE_SEMI:
            return {{0, k, 3 * L / 4, 0, L / 4},
                    {k, 2 * k, 3 * L / 4, H, L / 4},
                    {2 * k, 3 * k, L / 4, H, L / 4},
                    {3 * k, n, L / 4, 0, L / 4}};
        case ARCH_OGEE_SEMI_REVERSE:
            return {{0, k, L, H / 2, L / 4},
                    {k, 2 * k, L / 2, H / 2, L / 4},
                    {2 * k, 3 * k, L / 2, H / 2, L / 4},
                    {3 * k, n, 0, H / 2, L / 4}};
        default:
            return {};
    }
}

// Inputs before clamping; the clamped values drive every check.
const ArchInputs kShapes[] = {
    {ARCH_SEMI, 0, 20, 1.0, 2.0, 0},      {ARCH_SEMI, 0, 2, 1.0, 2.0, 0},
    {ARCH_SEGMENTAL, 0, 12, 0.4, 3.0, 0}, {ARCH_SEGMENTAL, 0, 12, 9.0, 3.0, 0},
    {ARCH_EQUILATERAL, 0, 9, 0, 2.5, 0},  {ARCH_LANCET, 0, 16, 3.0, 2.0, 0},
    {ARCH_LANCET, 0, 16, 0.6, 2.0, 0},    {ARCH_OGEE_EQUILATERAL, 0, 8, 0, 2.0, 0},
    {ARCH_OGEE_SEMI, 0, 13, 0, 2.0, 0},   {ARCH_OGEE_SEMI_REVERSE, 0, 24, 0, 3.0, 0},
    {ARCH_PARABOLIC, 0, 10, 1.7, 2.0, 0}, {ARCH_ELLIPTICAL, 0, 30, 0.5, 4.0, 0},
    {ARCH_ELLIPTICAL, 0, 3, 0.5, 4.0, 0}, {42, 0, 6, 7.0, 2.0, 0},
};

class ArchShape : public ::testing::TestWithParam<ArchInputs> {};

TEST_P(ArchShape, RunsFromSpanEndOverCrownToSpanStart) {
    const ArchInputs in = ClampArchInputs(GetParam());
    const std::vector<Vector3> pts = Curve(in);
    ASSERT_EQ(pts.size(), static_cast<size_t>(in.segments + 1));
    ExpectPoint(pts.front(), in.span, 0.0);
    ExpectPoint(pts.back(), 0.0, 0.0);
    if (in.segments % 2 == 0) ExpectPoint(pts[in.segments / 2], in.span / 2, in.height);
    for (size_t i = 1; i < pts.size(); ++i) {
        EXPECT_LT(pts[i].x(), pts[i - 1].x()) << "point " << i;
        EXPECT_GE(pts[i].y(), -kTol) << "point " << i;
    }
}

TEST_P(ArchShape, PointsLieOnTheirCurves) {
    const ArchInputs in = ClampArchInputs(GetParam());
    const std::vector<Vector3> pts = Curve(in);
    const double L = in.span, H = in.height;
    for (const Arc &arc : ArcsOf(in))
        for (int i = arc.first; i <= arc.last; ++i)
            EXPECT_NEAR(qk::math::Distance(pts[i], Vector3(arc.cx, arc.cy, 0)), arc.r, kTol) << "point " << i;
    for (size_t i = 0; i < pts.size(); ++i) {
        const double u = (pts[i].x() - L / 2) / (L / 2), v = pts[i].y() / H;
        if (in.type == ARCH_PARABOLIC) {
            EXPECT_NEAR(v, 1 - u * u, kTol) << "point " << i;
        } else if (in.type == ARCH_ELLIPTICAL) {
            EXPECT_NEAR(u * u + v * v, 1.0, kTol) << "point " << i;
        }
    }
}

TEST_P(ArchShape, KnockoutTopClearsTheCurve) {
    const ArchInputs in = ClampArchInputs(GetParam());
    std::vector<Vector3> outline = Curve(in);
    const double top =
        std::max_element(outline.begin(), outline.end(), [](const Vector3 &a, const Vector3 &b) {
            return a.y() < b.y();
        })->y();
    AppendKnockoutPoints(in.type, in.span, in.height, outline);
    ASSERT_EQ(outline.size(), static_cast<size_t>(in.segments + 3));
    const Vector3 &left = outline[outline.size() - 2], &right = outline.back();
    EXPECT_EQ(left.x(), 0.0);
    EXPECT_EQ(right.x(), in.span);
    EXPECT_EQ(left.y(), right.y());
    EXPECT_GE(left.y(), top + 0.1 - kTol);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ArchShape, ::testing::ValuesIn(kShapes));

TEST(ArchCurves, TwoSegmentSemicircle) {
    const std::vector<Vector3> pts = Curve(Clamped(ARCH_SEMI, 2.0, 0.3, 2));
    ASSERT_EQ(pts.size(), 3u);
    ExpectPoint(pts[1], 1.0, 1.0);
}

TEST(ArchCurves, TooHighSegmentalIsTheSemicircle) {
    std::vector<Vector3> segmental, semi;
    SegmentalArch(Vector3(0, 0, 0), Vector3(3, 0, 0), 5.0, 10, 0.0, segmental);
    SemiCircularArch(semi, Vector3(0, 0, 0), Vector3(3, 0, 0), 1.5, 10);
    ASSERT_EQ(segmental.size(), semi.size());
    for (size_t i = 0; i < semi.size(); ++i) ExpectPoint(segmental[i], semi[i].x(), semi[i].y(), 1e-12);
}

TEST(ArchCurves, OddParabolicDropsOneSegment) {
    EXPECT_EQ(Curve(Clamped(ARCH_PARABOLIC, 2.0, 1.0, 7)).size(), 7u);
}

TEST(ArchCurves, EllipticalEndsAtTheSineOfPi) {
    const std::vector<Vector3> pts = Curve(Clamped(ARCH_ELLIPTICAL, 2.0, 0.8, 5));
    EXPECT_EQ(pts.back().x(), 0.0);
    EXPECT_EQ(pts.back().y(), 0.8 * 1.2246467991473532e-16);
}

TEST(ArchCurves, GeneratorsAppendAfterExistingPoints) {
    std::vector<Vector3> out{Vector3(9, 9, 9)};
    ASSERT_TRUE(BuildArchCurve(ARCH_OGEE_SEMI, 2.0, 1.0, 8, out));
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[0].x(), 9.0);
    ExpectPoint(out[1], 2.0, 0.0);
}

struct ClampCase {
    ArchInputs in;
    int segments;
    double height, span, depth;
};

class ArchClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ArchClamp, AppliesMinimaAndTypeRules) {
    const ClampCase &c = GetParam();
    const ArchInputs out = ClampArchInputs(c.in);
    EXPECT_EQ(out.segments, c.segments);
    EXPECT_DOUBLE_EQ(out.height, c.height);
    EXPECT_EQ(out.span, c.span);
    EXPECT_EQ(out.depth, c.depth);
    EXPECT_EQ(out.mode, c.in.mode);
}

// ArchInputs fields: type, mode, segments, height, span, depth.
const ClampCase kClampCases[] = {
    {{ARCH_OGEE_SEMI, 0, 9, 1, 2, 1}, 12, 1.0, 2, 1},
    {{ARCH_OGEE_SEMI, 0, 5, 1, 2, 1}, 8, 1.0, 2, 1},
    {{ARCH_OGEE_SEMI, 0, 4, 1, 2, 1}, 8, 1.0, 2, 1},
    {{ARCH_OGEE_SEMI_REVERSE, 0, 600, 1, 2, 1}, 512, 1.0, 2, 1},
    {{ARCH_LANCET, 0, 511, 0.3, 2, 1}, 512, 0.3, 2, 1},
    {{ARCH_EQUILATERAL, 0, 3, 1, 2, 1}, 4, 1.7320508075688767, 2, 1},
    {{ARCH_EQUILATERAL, ARCH_GEO_POLYGON_STRIP, 2, 1, 2, 1}, 4, 1.7320508075688767, 2, 1},
    {{ARCH_EQUILATERAL, ARCH_GEO_POLYLINE, 2, 1, 2, 1}, 2, 1.7320508075688767, 2, 1},
    {{ARCH_SEMI, ARCH_GEO_POLYGON_STRIP, 2, 1, 2, 1}, 2, 1.0, 2, 1},
    {{ARCH_OGEE_EQUILATERAL, 0, 8, 0, 4, 1}, 8, 1.7320508075688767 * 2, 4, 1},
    {{ARCH_SEGMENTAL, 0, -3, 5, 2, 1}, 2, 1.0, 2, 1},
    {{ARCH_SEGMENTAL, 0, 7, 0.25, 2, 1}, 7, 0.25, 2, 1},
    {{ARCH_PARABOLIC, 0, 7, -1, 0, 0}, 7, 0.001, 0.001, 0.001},
    {{ARCH_ELLIPTICAL, 0, 7, kNaN, kNaN, kNaN}, 7, 0.001, 0.001, 0.001},
    {{-1, 0, 9, 5, 0, 1}, 9, 0.0005, 0.001, 1},
};

INSTANTIATE_TEST_SUITE_P(Rules, ArchClamp, ::testing::ValuesIn(kClampCases));

TEST(ArchClamp, UnknownTypeIsBuiltAsSemi) {
    EXPECT_EQ(ClampArchInputs({9, 0, 20, 1, 2, 1}).type, ARCH_SEMI);
    EXPECT_EQ(ClampArchInputs({ARCH_ELLIPTICAL, 0, 20, 1, 2, 1}).type, ARCH_ELLIPTICAL);
}

struct KnockoutCase {
    int type;
    double L, H, top;
};

class ArchKnockout : public ::testing::TestWithParam<KnockoutCase> {};

TEST_P(ArchKnockout, TopSitsAClearanceAboveTheBase) {
    const KnockoutCase &c = GetParam();
    std::vector<Vector3> out;
    AppendKnockoutPoints(c.type, c.L, c.H, out);
    ASSERT_EQ(out.size(), 2u);
    ExpectPoint(out[0], 0.0, c.top, 1e-12);
    ExpectPoint(out[1], c.L, c.top, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Clearances, ArchKnockout,
                         ::testing::Values(KnockoutCase{ARCH_LANCET, 4, 1, 2.2},
                                           KnockoutCase{ARCH_PARABOLIC, 4, 1, 1.2},
                                           KnockoutCase{ARCH_LANCET, 2, 3, 3.2},
                                           KnockoutCase{ARCH_SEGMENTAL, 2, 0.2, 0.3},
                                           KnockoutCase{ARCH_ELLIPTICAL, 2, 0.6, 0.75}));

class ArchStrip : public ::testing::TestWithParam<ArchInputs> {};

// Extrados point i lies on the ray from its arc's centre through intrados point i, one depth further out.
TEST_P(ArchStrip, ExtradosPairsWithIntrados) {
    const ArchInputs in = ClampArchInputs(GetParam());
    const double L = in.span, d = in.depth;
    std::vector<Vector3> intrados, extrados;
    ASSERT_TRUE(BuildStripIntrados(in.type, L, in.height, in.segments, intrados));
    ASSERT_TRUE(BuildExtrados(in.type, L, in.height, in.segments, d, extrados));
    ASSERT_EQ(intrados.size(), static_cast<size_t>(in.segments + 1));
    ASSERT_EQ(extrados.size(), intrados.size());
    const int apex = in.segments / 2;
    if (in.type == ARCH_EQUILATERAL) {  // the points beside the apex sit (pi/3)/n from it on their circles
        const double m = qk::constants::PI / 3 / in.segments;
        EXPECT_NEAR(std::atan2(intrados[apex - 1].y(), intrados[apex - 1].x()), qk::constants::PI / 3 - m,
                    kTol);
        EXPECT_NEAR(std::atan2(intrados[apex + 1].y(), intrados[apex + 1].x() - L),
                    2 * qk::constants::PI / 3 + m, kTol);
    }
    for (int i = 0; i <= in.segments; ++i) {
        Arc arc = ArcsOf(in).front();
        if (in.type == ARCH_EQUILATERAL && i == apex) {
            EXPECT_NEAR(qk::math::Distance(extrados[i], Vector3(0, 0, 0)), L + d, kTol);
            EXPECT_NEAR(qk::math::Distance(extrados[i], Vector3(L, 0, 0)), L + d, kTol);
            continue;
        }
        if (in.type == ARCH_EQUILATERAL && i > apex) arc = ArcsOf(in).back();
        const Vector3 c(arc.cx, arc.cy, 0), a = intrados[i] - c, b = extrados[i] - c;
        EXPECT_NEAR(qk::math::Length(a), arc.r, kTol) << "point " << i;
        EXPECT_NEAR(qk::math::Length(b), arc.r + d, kTol) << "point " << i;
        EXPECT_NEAR(qk::math::Cross(a, b).z(), 0.0, kTol) << "point " << i;
        EXPECT_GT(qk::math::Dot(a, b), 0.0) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    StripTypes, ArchStrip,
    ::testing::Values(ArchInputs{ARCH_SEMI, ARCH_GEO_POLYGON_STRIP, 10, 1, 2, 0.3},
                      ArchInputs{ARCH_SEGMENTAL, ARCH_GEO_POLYGON_STRIP, 6, 0.5, 3, 0.2},
                      ArchInputs{ARCH_SEGMENTAL, ARCH_GEO_POLYGON_STRIP, 6, 0.001, 3, 0.2},
                      ArchInputs{ARCH_EQUILATERAL, ARCH_GEO_POLYGON_STRIP, 2, 0, 2, 0.25},
                      ArchInputs{ARCH_EQUILATERAL, ARCH_GEO_POLYGON_STRIP, 14, 0, 5, 1.0}));

TEST(ArchStrip, OnlySemiSegmentalAndEquilateralHaveAnExtrados) {
    for (int type = ARCH_LANCET; type <= ARCH_ELLIPTICAL; ++type) {
        std::vector<Vector3> out;
        EXPECT_FALSE(BuildStripIntrados(type, 2.0, 1.0, 8, out));
        EXPECT_FALSE(BuildExtrados(type, 2.0, 1.0, 8, 0.1, out));
        EXPECT_TRUE(out.empty());
    }
}

// Inputs the tool never passes must not yield NaN points or curves that miss the span ends.
TEST(ArchDegenerate, BadInputsAppendNothing) {
    for (int type = ARCH_SEMI; type <= ARCH_ELLIPTICAL; ++type) {
        for (const ArchInputs &bad : {ArchInputs{type, 0, 8, 1, 0, 0}, ArchInputs{type, 0, 8, 0, 2, 0},
                                      ArchInputs{type, 0, 8, kNaN, 2, 0}, ArchInputs{type, 0, 0, 1, 2, 0}}) {
            std::vector<Vector3> out;
            EXPECT_FALSE(BuildArchCurve(type, bad.span, bad.height, bad.segments, out)) << "type " << type;
            EXPECT_TRUE(out.empty()) << "type " << type;
        }
    }
    std::vector<Vector3> strip;
    EquilateralArchPolyStrip(Vector3(0, 0, 0), Vector3(2, 0, 0), 3, 0.0, strip);
    EXPECT_TRUE(strip.empty());
    EXPECT_FALSE(BuildExtrados(ARCH_SEMI, 2.0, 1.0, 8, 0.0, strip));
}

TEST(ArchDegenerate, ZeroSegmentArcIsItsStartPoint) {
    std::vector<Vector3> pts;
    GenCircleSegmentPoints(pts, 0, 2.0, qk::constants::HALF_PI, 1.0, Vector3(1, 1, 5), false, false);
    ASSERT_EQ(pts.size(), 1u);
    ExpectPoint(pts[0], 1.0, 3.0, 1e-12);
    GenCircleSegmentPoints(pts, 0, 2.0, 0.0, 1.0, Vector3(1, 1, 5), true, false);
    GenCircleSegmentPoints(pts, -2, 2.0, 0.0, 1.0, Vector3(1, 1, 5), false, false);
    EXPECT_EQ(pts.size(), 1u);
}

}  // namespace
