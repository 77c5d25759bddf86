#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "lxu_math.hpp"
#include "qk_constants.hpp"
#include "qk_math.hpp"
#include "qk_near_duplicates.hpp"

using namespace qk::math;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kEmpty = 9.999999933815813e36;
constexpr double kTol = 1e-12;

void ExpectVec(const double *got, double x, double y, double z, double tol = kTol) {
    EXPECT_NEAR(got[0], x, tol);
    EXPECT_NEAR(got[1], y, tol);
    EXPECT_NEAR(got[2], z, tol);
}

// Right-hand rotation of p about principal axis k by angle, independent of the matrix tables.
Vector3 Rodrigues(const Vector3 &p, int k, double angle) {
    Vector3 axis;
    axis.v[k] = 1.0;
    return p * std::cos(angle) + Cross(axis, p) * std::sin(angle) +
           axis * (Dot(axis, p) * (1.0 - std::cos(angle)));
}

// ---- value types ----

template <class A, class B, class = void>
struct CanAdd : std::false_type {};
template <class A, class B>
struct CanAdd<A, B, std::void_t<decltype(std::declval<A>() + std::declval<B>())>> : std::true_type {};
template <class A, class B, class = void>
struct CanCompare : std::false_type {};
template <class A, class B>
struct CanCompare<A, B, std::void_t<decltype(std::declval<A>() == std::declval<B>())>> : std::true_type {};

static_assert(CanAdd<Vector3, Vector3>::value, "vectors add");
static_assert(!CanAdd<Vector3, int>::value, "vector + int must not become pointer arithmetic");
static_assert(!CanAdd<int, Vector3>::value, "int + vector must not become pointer arithmetic");
static_assert(!CanCompare<Vector3, Vector3>::value, "vectors compare with a tolerance, not by address");
static_assert(!CanCompare<Matrix4, Matrix4>::value, "matrices compare with a tolerance, not by address");
static_assert(Cross(Vector3(1, 0, 0), Vector3(0, 1, 0)).z() == 1.0, "constexpr right-handed cross");
static_assert(Matrix4().m[3][3] == 1.0 && Matrix4().m[0][1] == 0.0, "constexpr identity");
static_assert(std::is_trivially_copyable<Vector3>::value && std::is_trivially_copyable<Matrix4>::value &&
                  std::is_trivially_copyable<Box>::value,
              "values");

TEST(QkMathVector3, ArithmeticAndLengths) {
    const Vector3 a(1, 2, 3), b(4, -5, 6);
    ExpectVec(a + b, 5, -3, 9);
    ExpectVec(a - b, -3, 7, -3);
    ExpectVec(2.0 * a, 2, 4, 6);
    ExpectVec(-a, -1, -2, -3);
    EXPECT_DOUBLE_EQ(Dot(a, b), 12.0);
    ExpectVec(Cross(a, b), 27, 6, -13);
    EXPECT_DOUBLE_EQ(Length(Vector3(3, 4, 12)), 13.0);
    EXPECT_DOUBLE_EQ(Length(Vector3(3e200, 4e200, 0)), 5e200);  // no overflow to infinity
    EXPECT_DOUBLE_EQ(Distance(a, Vector3(1, 2, 5)), 2.0);
    const float f[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(Vector3(f).y(), static_cast<double>(0.2f));
}

// At an SDK call the values pass as the SDK's arrays, and results land back in them.
TEST(QkMathValues, PassAsTheSdkArrays) {
    std::vector<Vector3> list{{0.6, 0, 0.8}};
    lx::Matrix4Multiply(static_cast<double *>(list[0]), TranslationMatrix({1, 2, 3}), list[0]);
    ExpectVec(list[0], 1.6, 2, 3.8);

    std::vector<Matrix4> matrices{TranslationMatrix({1, 2, 3}), ScaleMatrix(2, 2, 2)};
    Matrix4 product = matrices[0];
    lx::Matrix4Multiply(static_cast<Matrix4::Row *>(product), static_cast<Matrix4::Row *>(matrices[1]));
    EXPECT_TRUE(NearlyEqual(product, Multiply(matrices[0], matrices[1]), 0.0));
    ExpectVec(TransformPoint(product, Vector3()), 2, 4, 6);

    LXtMatrix columns;
    RotationColumns(RotationMatrix({1, 2, 3}, {4, 5, 6}, {7, 8, 9}), columns);
    const double expected[3][3] = {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}};
    for (int i = 0; i < 3; ++i) ExpectVec(columns[i], expected[i][0], expected[i][1], expected[i][2], 0);
    const Matrix4 frame = FrameMatrix(columns, {7, 8, 9});
    EXPECT_TRUE(NearlyEqual(frame,
                            Multiply(TransposedRotation(RotationMatrix({1, 2, 3}, {4, 5, 6}, {7, 8, 9})),
                                     TranslationMatrix({7, 8, 9})),
                            0.0));
}

// ---- vector functions ----

TEST(QkMathNormalize, Table) {
    const struct {
        Vector3 in;
        Vector3 out;
    } cases[] = {
        {{0, -0.0, 3}, {0, 0, 1}},
        {{-0.0, -0.0, -5}, {0, 0, -1}},
        {{3, 4, 0}, {0.6, 0.8, 0}},
        {{1e200, 0, 0}, {1, 0, 0}},              // squares overflow
        {{3e-200, -4e-200, 0}, {0.6, -0.8, 0}},  // squares underflow
        {{1e-320, 0, 0}, {1, 0, 0}},             // denormal
    };
    for (const auto &c : cases) {
        Vector3 v = c.in;
        EXPECT_TRUE(Normalize(v)) << c.in.x() << "," << c.in.y() << "," << c.in.z();
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(v.v[i], c.out.v[i], 1e-15);
            EXPECT_FALSE(std::signbit(v.v[i]) && v.v[i] == 0.0) << "negative zero left in component " << i;
        }
        EXPECT_TRUE(NearlyEqual(Normalized(c.in), v, 0.0));
    }
}

TEST(QkMathNormalize, DegenerateInputFailsAndIsUntouched) {
    const Vector3 cases[] = {{0, 0, 0}, {-0.0, 0, -0.0}, {kNaN, 1, 0}, {1, kInf, 0}, {-kInf, 0, 0}};
    for (const Vector3 &c : cases) {
        Vector3 v = c;
        EXPECT_FALSE(Normalize(v));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(std::isnan(v.v[i]), std::isnan(c.v[i]));
            if (!std::isnan(c.v[i])) {
                EXPECT_EQ(v.v[i], c.v[i]);
                EXPECT_EQ(std::signbit(v.v[i]), std::signbit(c.v[i]));
            }
        }
    }
}

TEST(QkMathNearlyEqual, VectorsTable) {
    const struct {
        Vector3 a, b;
        double tol;
        bool equal;
    } cases[] = {
        {{1, 2, 3}, {1, 2, 3}, 0.0, true},
        {{0, 0, 0}, {0.5, -0.5, 0.25}, 0.5, true},   // exactly at the tolerance
        {{0, 0, 0}, {0, 0, 0.5000001}, 0.5, false},  // only z outside
        {{0, 0, 0}, {1e-7, -1e-7, 0}, qk::constants::EPSILON, true},
        {{kNaN, 0, 0}, {kNaN, 0, 0}, 1.0, false},
        {{0, 0, 0}, {0, kNaN, 0}, 1e300, false},
        {{kInf, 0, 0}, {kInf, 0, 0}, 1.0, false},  // inf - inf is NaN
    };
    for (const auto &c : cases) EXPECT_EQ(NearlyEqual(c.a, c.b, c.tol), c.equal) << c.b.z() << " " << c.tol;
}

TEST(QkMathVector3, FinitenessAndSinglePrecision) {
    EXPECT_TRUE(IsFinite({1, 2, 3}));
    EXPECT_FALSE(IsFinite({1, kNaN, 3}));
    EXPECT_FALSE(IsFinite({1, 2, kInf}));
    EXPECT_TRUE(FitsSinglePrecision({3e38, -3e38, 0}));
    EXPECT_FALSE(FitsSinglePrecision({4e38, 0, 0}));
    EXPECT_FALSE(FitsSinglePrecision({0, kNaN, 0}));
}

// ---- matrices ----

TEST(QkMathRotation, AxisRotationTurnsClockwiseOnEveryAxis) {
    const double angles[] = {qk::constants::HALF_PI, 0.3, -1.1, qk::constants::PI};
    const Vector3 points[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1.5, -2, 0.25}};
    for (int axis = 0; axis < 3; ++axis)
        for (double angle : angles)
            for (const Vector3 &p : points) {
                const Matrix4 m = AxisRotationMatrix(axis, angle);
                SCOPED_TRACE(testing::Message() << "axis " << axis << " angle " << angle);
                const Vector3 expected = Rodrigues(p, axis, -angle);
                ExpectVec(TransformPoint(m, p), expected.x(), expected.y(), expected.z());
                for (int i = 0; i < 3; ++i) EXPECT_EQ(m.m[i][3], 0.0);
                ExpectVec(TranslationOf(m), 0, 0, 0, 0);
                // The transpose undoes the turn.
                EXPECT_TRUE(NearlyEqual(Multiply(m, TransposedRotation(m)), Matrix4(), 1e-15));
            }
    ExpectVec(TransformPoint(AxisRotationMatrix(2, qk::constants::HALF_PI), {1, 0, 0}), 0, -1, 0);
    for (int axis : {3, -1, 100}) EXPECT_TRUE(Matrix4IsIdentity(AxisRotationMatrix(axis, 0.7))) << axis;
}

TEST(QkMathMatrix4, InvertedScaleAndNegatedTranslation) {
    Matrix4 scale = ScaleMatrix(2, 4, -0.5);
    scale.m[3][0] = 9;
    Matrix4 inverse;
    ASSERT_TRUE(InvertedScale(scale, inverse));
    EXPECT_EQ(inverse.m[0][0], 0.5);
    EXPECT_EQ(inverse.m[1][1], 0.25);
    EXPECT_EQ(inverse.m[2][2], -2.0);
    EXPECT_EQ(inverse.m[3][0], 9.0);
    EXPECT_EQ(inverse.m[3][3], 1.0);
    for (double s : {0.0, -0.0, 1e-310, kNaN}) {
        Matrix4 kept = TranslationMatrix({5, 5, 5});
        EXPECT_FALSE(InvertedScale(ScaleMatrix(2, s, 4), kept)) << s;
        EXPECT_TRUE(NearlyEqual(kept, TranslationMatrix({5, 5, 5}), 0.0)) << "left unchanged";
    }
    const Matrix4 moved = Multiply(AxisRotationMatrix(1, 0.4), TranslationMatrix({1, -2, 3}));
    const Matrix4 back = NegatedTranslation(moved);
    ExpectVec(TranslationOf(back), -1, 2, -3, 0);
    EXPECT_TRUE(NearlyEqual(RotationMatrix(RightAxis(back), UpAxis(back), FwdAxis(back)),
                            AxisRotationMatrix(1, 0.4), 0.0));
}

// Every element perturbed in turn: the comparison and the identity test notice each one.
TEST(QkMathMatrix4, ComparisonsCoverEverySixteenElements) {
    const double tol = qk::constants::EPSILON;
    for (double delta : {2 * tol, -2 * tol, kNaN, kInf}) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const Matrix4 a = Multiply(AxisRotationMatrix(2, 0.3), TranslationMatrix({1, 2, 3}));
                Matrix4 b = a, nearIdentity;
                b.m[i][j] += delta;
                nearIdentity.m[i][j] += delta;
                SCOPED_TRACE(testing::Message() << "element " << i << "," << j << " delta " << delta);
                EXPECT_FALSE(NearlyEqual(a, b, tol));
                EXPECT_FALSE(Matrix4IsIdentity(nearIdentity));
                b.m[i][j] = a.m[i][j] + (std::isfinite(delta) ? delta / 4 : 0.0);
                nearIdentity.m[i][j] = (i == j ? 1.0 : 0.0) + (std::isfinite(delta) ? delta / 4 : 0.0);
                EXPECT_TRUE(NearlyEqual(a, b, tol));
                EXPECT_TRUE(Matrix4IsIdentity(nearIdentity));
            }
    }
    Matrix4 shear;
    shear.m[0][1] = 0.5;
    EXPECT_FALSE(Matrix4IsIdentity(shear)) << "a sheared matrix is no identity";
}

// The value forms agree with the SDK's in-place product and point transform.
TEST(QkMathValueForms, AgreeWithTheSdkForms) {
    Matrix4 a = Multiply(AxisRotationMatrix(2, 0.3), ScaleMatrix(2, 3, 4));
    SetTranslation(a, {1, -2, 5});
    Matrix4 b = Multiply(RotationMatrix({0, 0, 1}, {0, 1, 0}, {-1, 0, 0}), TranslationMatrix({7, 8, 9}));
    Matrix4 expected = a;
    lx::Matrix4Multiply(static_cast<Matrix4::Row *>(expected), static_cast<Matrix4::Row *>(b));
    Matrix4 ab = Multiply(a, b);
    EXPECT_TRUE(NearlyEqual(ab, expected, 0.0));

    const Vector3 p(0.5, -1.5, 2.0);
    Vector3 q;
    lx::Matrix4Multiply(static_cast<double *>(q), ab, p);
    EXPECT_TRUE(NearlyEqual(TransformPoint(ab, p), q, 0.0));
    Vector3 d = TransformPoint(ab, p) - TranslationOf(ab);
    EXPECT_TRUE(NearlyEqual(TransformDirection(ab, p), d, 1e-12));
    EXPECT_TRUE(NearlyEqual(RightAxis(b), Vector3(0, 0, 1), 0.0));
    EXPECT_TRUE(NearlyEqual(UpAxis(b), Vector3(0, 1, 0), 0.0));
    EXPECT_TRUE(NearlyEqual(FwdAxis(b), Vector3(-1, 0, 0), 0.0));
    EXPECT_TRUE(NearlyEqual(TranslationOf(b), Vector3(7, 8, 9), 0.0));
}

// ---- boxes ----

TEST(QkMathBox, EmptyBoxSentinelsAndCentre) {
    EXPECT_EQ(qk::constants::EMPTY_BOX_LIMIT, kEmpty);
    const Box box;
    EXPECT_TRUE(box.IsEmpty());
    ExpectVec(box.min, kEmpty, kEmpty, kEmpty, 0);
    ExpectVec(box.max, -kEmpty, -kEmpty, -kEmpty, 0);
    ExpectVec(box.Centre(), 0, 0, 0, 0);
    EXPECT_LT(box.Extent().x(), 0.0);
}

TEST(QkMathBox, FirstPointSetsBothAndCornerBitsPickMaxPerAxis) {
    Box box;
    const float f[3] = {0.1f, 0.2f, 0.3f};
    box.Add(Vector3(f));
    EXPECT_FALSE(box.IsEmpty());
    ExpectVec(box.Extent(), 0, 0, 0, 0);
    box.Add({-1, -2, -3});
    box.Add({kNaN, kNaN, kNaN});
    const double lo[3] = {-1, -2, -3};
    const double hi[3] = {0.1f, 0.2f, 0.3f};
    for (int index = 0; index < 8; ++index)
        ExpectVec(box.Corner(index), index & 1 ? hi[0] : lo[0], index & 2 ? hi[1] : lo[1],
                  index & 4 ? hi[2] : lo[2], 0);
    ExpectVec(box.Centre(), (0.1f - 1.0) / 2, (0.2f - 2.0) / 2, (0.3f - 3.0) / 2);
    ExpectVec(box.Extent(), 0.1f + 1.0, 0.2f + 2.0, 0.3f + 3.0);
}

// ---- near duplicates ----

TEST(QkMathNearDuplicates, KeepsTheLatestOfEachPlace) {
    const struct {
        const char *name;
        std::vector<Vector3> points;
        std::vector<std::size_t> kept;
    } cases[] = {
        {"pairs", {{0, 0, 0}, {1, 0, 0}, {5e-7, 0, 0}, {1, 0, -5e-7}, {2, 0, 0}}, {2, 3, 4}},
        {"same x", {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 1, 2}},
        {"chain", {{0, 0, 0}, {8e-7, 0, 0}, {1.6e-6, 0, 0}}, {0, 2}},  // compared with kept points only
        {"one place", {{1, 1, 1}, {1, 1, 1}}, {1}},
        {"across a cell", {{0.0009999995, 0, 0}, {0.0010000001, 0, 0}}, {1}},
        {"huge", {{1e13, 0, 0}, {1e13, 0, 0}, {-1e13, 0, 0}}, {1, 2}},
        {"nan", {{kNaN, 0, 0}, {kNaN, 0, 0}}, {0, 1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeepLastOfNearDuplicates(c.points, qk::constants::EPSILON), c.kept) << c.name;
}

TEST(QkMathNearDuplicates, ADirectionMustMatchToo) {
    NearDuplicateFilter filter(qk::constants::EPSILON);
    EXPECT_TRUE(filter.Keep({1, 2, 3}, {0, 1, 0}));
    EXPECT_FALSE(filter.Keep({1, 2, 3 + 5e-7}, {0, 1, 0}));
    EXPECT_TRUE(filter.Keep({1, 2, 3}, {0, -1, 0})) << "the same place facing the other way";
    EXPECT_FALSE(filter.Keep({1, 2, 3}, {0, -1 + 5e-7, 0}));
}

}  // namespace
