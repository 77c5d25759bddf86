#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "lxu_math.hpp"
#include "qk_constants.hpp"
#include "qk_math.hpp"
#include "qk_math_AABB3.hpp"

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

void FillGarbage(LXtMatrix4 M) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) M[i][j] = 7.5 + i * 4 + j;
}

// Right-hand rotation of p about principal axis k by angle, independent of the matrix tables.
Vector3 Rodrigues(const Vector3 &p, int k, double angle) {
    Vector3 axis;
    axis[k] = 1.0;
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
static_assert(std::is_trivially_copyable<Vector3>::value && std::is_trivially_copyable<Matrix4>::value,
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

TEST(QkMathVector3, PassesAsLXtVector) {
    std::vector<Vector3> list{{3, 0, 4}};
    EXPECT_TRUE(LXtVectorNormalize(list[0]));
    ExpectVec(list[0], 0.6, 0, 0.8);
    LXtMatrix4 M;
    Matrix4SetTranslation(M, 1, 2, 3);
    // The SDK's templates take the output by value: a pointer, so that the result lands in the list.
    lx::Matrix4Multiply(static_cast<double *>(list[0]), M, list[0]);
    ExpectVec(list[0], 1.6, 2, 3.8);
}

TEST(QkMathMatrix4, StoresAndPassesAsLXtMatrix4) {
    std::vector<Matrix4> list(2);
    Matrix4SetTranslation(list[0], 1, 2, 3);
    Matrix4SetScale(list[1], 2, 2, 2);
    Matrix4 product = list[0];
    lx::Matrix4Multiply(static_cast<Matrix4::Row *>(product),
                        static_cast<Matrix4::Row *>(list[1]));  // translate first, then scale
    LXtVector p = {0, 0, 0};
    lx::Matrix4Multiply(p, product, p);
    ExpectVec(p, 2, 4, 6);
    LXtMatrix4 raw;
    list[1].CopyTo(raw);
    EXPECT_TRUE(Matrix4Compare(Matrix4(raw), list[1], 0.0));
}

// ---- vector functions ----

struct NormalizeCase {
    double in[3];
    bool ok;
    double out[3];
};

TEST(QkMathNormalize, Table) {
    const NormalizeCase cases[] = {
        {{0, -0.0, 3}, true, {0, 0, 1}},
        {{-0.0, -0.0, -5}, true, {0, 0, -1}},
        {{3, 4, 0}, true, {0.6, 0.8, 0}},
        {{1e200, 0, 0}, true, {1, 0, 0}},              // squares overflow
        {{3e-200, -4e-200, 0}, true, {0.6, -0.8, 0}},  // squares underflow
        {{1e-320, 0, 0}, true, {1, 0, 0}},             // denormal
    };
    for (const auto &c : cases) {
        double v[3] = {c.in[0], c.in[1], c.in[2]};
        EXPECT_EQ(LXtVectorNormalize(v), c.ok) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(v[i], c.out[i], 1e-15);
            EXPECT_FALSE(std::signbit(v[i]) && v[i] == 0.0) << "negative zero left in component " << i;
        }
    }
}

TEST(QkMathNormalize, DegenerateInputFailsAndIsUntouched) {
    const double cases[][3] = {{0, 0, 0}, {-0.0, 0, -0.0}, {kNaN, 1, 0}, {1, kInf, 0}, {-kInf, 0, 0}};
    for (const auto &c : cases) {
        double v[3] = {c[0], c[1], c[2]};
        EXPECT_FALSE(LXtVectorNormalize(v));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(std::isnan(v[i]), std::isnan(c[i]));
            if (!std::isnan(c[i])) {
                EXPECT_EQ(v[i], c[i]);
                EXPECT_EQ(std::signbit(v[i]), std::signbit(c[i]));
            }
        }
    }
}

TEST(QkMathCompareAbs, Table) {
    struct Case {
        double a[3], b[3], tol;
        bool equal;
    };
    const Case cases[] = {
        {{1, 2, 3}, {1, 2, 3}, 0.0, true},
        {{0, 0, 0}, {0.5, -0.5, 0.25}, 0.5, true},   // exactly at the tolerance
        {{0, 0, 0}, {0, 0, 0.5000001}, 0.5, false},  // only z outside
        {{0, 0, 0}, {1e-7, -1e-7, 0}, qk::constants::EPSILON, true},
        {{kNaN, 0, 0}, {kNaN, 0, 0}, 1.0, false},
        {{0, 0, 0}, {0, kNaN, 0}, 1e300, false},
        {{kInf, 0, 0}, {kInf, 0, 0}, 1.0, false},  // inf - inf is NaN
    };
    for (const auto &c : cases)
        EXPECT_EQ(LxtVectorCompareAbs(c.a, c.b, c.tol), c.equal) << c.b[2] << " " << c.tol;
}

// ---- 3x3 ----

TEST(QkMathMatrix3, ConstructPutsVectorsInColumnsAndGetAxisVectorsReadsThemBack) {
    const LXtVector a = {1, 2, 3}, b = {4, 5, 6}, c = {7, 8, 9};
    LXtMatrix M;
    Matrix3Construct(M, a, b, c);
    EXPECT_EQ(M[0][0], 1);
    EXPECT_EQ(M[2][0], 3);
    EXPECT_EQ(M[0][1], 4);
    EXPECT_EQ(M[1][2], 8);
    LXtVector ra, rb, rc;
    Matrix3GetAxisVectors(ra, rb, rc, M);
    ExpectVec(ra, 1, 2, 3, 0);
    ExpectVec(rb, 4, 5, 6, 0);
    ExpectVec(rc, 7, 8, 9, 0);
    Matrix3Transpose(M);
    EXPECT_EQ(M[0][1], 2);
    EXPECT_EQ(M[1][2], 6);
    EXPECT_EQ(M[2][1], 8);
    EXPECT_EQ(M[1][1], 5);
}

TEST(QkMathMatrix3, ScaleIsDiagonalOnly) {
    LXtMatrix M = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    Matrix3SetScale(M, 2, 3, 4);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(M[i][j], i == j ? 2.0 + i : 0.0);
    Matrix3SetIdentity(M);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(M[i][j], i == j ? 1.0 : 0.0);
}

// ---- rotation builders ----

using RotationBuilder = void (*)(LXtMatrix4, int, double);
void BuildCW(LXtMatrix4 M, int axis, double angle) {
    Matrix4SetRotationByAxisAngle(M, axis, angle);
}
void BuildCCW(LXtMatrix4 M, int axis, double angle) {
    Matrix4SetCCWRotationByAxisAngle(M, axis, angle);
}

TEST(QkMathRotation, BothBuildersAgainstRightHandRuleOnAllAxes) {
    struct Builder {
        RotationBuilder build;
        double sign;  // the CCW form turns by +angle, the other by -angle
    };
    const Builder builders[] = {{BuildCW, -1.0}, {BuildCCW, 1.0}};
    const double angles[] = {qk::constants::HALF_PI, 0.3, -1.1, qk::constants::PI};
    const Vector3 points[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1.5, -2, 0.25}};
    for (const auto &b : builders)
        for (int axis = 0; axis < 3; ++axis)
            for (double angle : angles)
                for (const auto &p : points) {
                    LXtMatrix4 M;
                    FillGarbage(M);
                    b.build(M, axis, angle);
                    LXtVector out;
                    lx::Matrix4Multiply(out, M, p);
                    const Vector3 expected = Rodrigues(p, axis, b.sign * angle);
                    SCOPED_TRACE(testing::Message()
                                 << "sign " << b.sign << " axis " << axis << " angle " << angle);
                    ExpectVec(out, expected.x(), expected.y(), expected.z());
                    for (int i = 0; i < 3; ++i) EXPECT_EQ(M[i][3], 0.0);
                    ExpectVec(M[3], 0, 0, 0, 0);
                    EXPECT_EQ(M[3][3], 1.0);
                }
}

TEST(QkMathRotation, QuarterTurnAboutZ) {
    LXtMatrix4 M;
    LXtVector p = {1, 0, 0};
    Matrix4SetRotationByAxisAngle(M, 2, qk::constants::HALF_PI);
    lx::Matrix4Multiply(p, M, p);
    ExpectVec(p, 0, -1, 0);
    const int axis = 2;
    const double angle = qk::constants::HALF_PI;
    LXtVector q = {1, 0, 0};
    Matrix4SetCCWRotationByAxisAngle(M, axis, angle);
    lx::Matrix4Multiply(q, M, q);
    ExpectVec(q, 0, 1, 0);
}

TEST(QkMathRotation, UnknownAxisGivesIdentity) {
    const Matrix4 identity;
    for (int axis : {3, -1, 100}) {
        LXtMatrix4 M;
        FillGarbage(M);
        Matrix4SetRotationByAxisAngle(M, axis, 0.7);
        EXPECT_TRUE(Matrix4Compare(M, identity, 0.0)) << axis;
        FillGarbage(M);
        Matrix4SetCCWRotationByAxisAngle(M, axis, 0.7);
        EXPECT_TRUE(Matrix4Compare(M, identity, 0.0)) << axis;
    }
}

TEST(QkMathRotation, InvertRotationUndoesRotation) {
    LXtMatrix4 R, Rinv, product;
    Matrix4SetCCWRotationByAxisAngle(R, 1, 0.9);
    Matrix4SetCCWRotationByAxisAngle(Rinv, 1, 0.9);
    Matrix4InvertRotation(Rinv);
    lx::Matrix4Copy(product, R);
    lx::Matrix4Multiply(product, Rinv);
    EXPECT_TRUE(Matrix4Compare(product, Matrix4(), 1e-15));
}

// ---- 4x4 builders and readers ----

TEST(QkMathMatrix4, SetRotationRowsAndGetRotationColumns) {
    const LXtVector a = {0, 0, -1}, b = {0, 1, 0}, c = {1, 0, 0};
    LXtMatrix4 M;
    FillGarbage(M);
    Matrix4SetRotation(M, a, b, c);
    LXtVector right, up, fwd, t;
    Matrix4GetVectors(right, up, fwd, t, M);
    ExpectVec(right, 0, 0, -1, 0);
    ExpectVec(up, 0, 1, 0, 0);
    ExpectVec(fwd, 1, 0, 0, 0);
    ExpectVec(t, 0, 0, 0, 0);
    EXPECT_EQ(M[3][3], 1.0);

    LXtMatrix R;
    Matrix4GetRotation(R, M, MatrixOrder(1));
    LXtVector ca, cb, cc;
    Matrix3GetAxisVectors(ca, cb, cc, R);
    ExpectVec(ca, 0, 0, -1, 0);
    ExpectVec(cb, 0, 1, 0, 0);
    ExpectVec(cc, 1, 0, 0, 0);

    Matrix4GetRotation(R, M, MATRIX_ORDER_ROWS);
    ExpectVec(R[0], 0, 0, -1, 0);
}

TEST(QkMathMatrix4, ConstructAppliesRotationThenTranslation) {
    LXtMatrix R;
    const LXtVector a = {0, 1, 0}, b = {-1, 0, 0}, c = {0, 0, 1};  // columns of a quarter turn about z
    Matrix3Construct(R, a, b, c);
    const LXtVector t = {10, 20, 30};
    LXtMatrix4 M;
    FillGarbage(M);
    Matrix4Construct(M, R, t);
    EXPECT_EQ(M[0][1], -1.0);
    EXPECT_EQ(M[1][0], 1.0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(M[i][3], 0.0);
    LXtVector p = {1, 0, 0};
    lx::Matrix4Multiply(p, M, p);
    ExpectVec(p, 10, 19, 30);
}

TEST(QkMathMatrix4, BuildersStartFromIdentity) {
    LXtMatrix4 M;
    FillGarbage(M);
    Matrix4SetScale(M, 2, 3, 4);
    LXtVector p = {1, 1, 1};
    lx::Matrix4Multiply(p, M, p);
    ExpectVec(p, 2, 3, 4, 0);
    EXPECT_EQ(M[3][3], 1.0);
    EXPECT_EQ(M[0][1], 0.0);

    FillGarbage(M);
    Matrix4SetTranslation(M, -1, 2, 5);
    EXPECT_TRUE(Matrix4CompareRotation(M, Matrix4(), 0.0));
    EXPECT_EQ(M[3][3], 1.0);
    LXtVector t;
    Matrix4GetTranslation(t, M);
    ExpectVec(t, -1, 2, 5, 0);

    FillGarbage(M);
    Matrix4SetIdentity(M);
    EXPECT_TRUE(Matrix4Compare(M, Matrix4(), 0.0));
}

TEST(QkMathMatrix4, TranslationModifiersLeaveRotationAlone) {
    LXtMatrix4 M;
    Matrix4SetCCWRotationByAxisAngle(M, 0, 0.4);
    const Matrix4 rotation(M);
    Matrix4AddTranslation(M, 1, 2, 3);
    const LXtVector v = {0.5, -1, 4};
    Matrix4AddTranslation(M, v);
    LXtVector t;
    Matrix4GetTranslation(t, M);
    ExpectVec(t, 1.5, 1, 7, 0);

    Matrix4InvertTranslation(M);
    Matrix4GetTranslation(t, M);
    ExpectVec(t, -1.5, -1, -7, 0);  // negated only, the rotation is not applied
    EXPECT_TRUE(Matrix4CompareRotation(M, rotation, 0.0));

    Matrix4ZeroiseTranslation(M);
    EXPECT_TRUE(Matrix4Compare(M, rotation, 0.0));
    Matrix4InvertTranslation(M);
    for (int j = 0; j < 3; ++j) EXPECT_FALSE(std::signbit(M[3][j])) << "0 - 0 gives +0";
}

TEST(QkMathMatrix4, InvertScale) {
    LXtMatrix4 M;
    Matrix4SetScale(M, 2, 4, -0.5);
    M[3][0] = 9;
    EXPECT_TRUE(Matrix4InvertScale(M));
    EXPECT_EQ(M[0][0], 0.5);
    EXPECT_EQ(M[1][1], 0.25);
    EXPECT_EQ(M[2][2], -2.0);
    EXPECT_EQ(M[3][0], 9.0);
    EXPECT_EQ(M[3][3], 1.0);
}

TEST(QkMathMatrix4, InvertScaleRefusesAScaleWithoutInverse) {
    const double bad[] = {0.0, -0.0, 1e-310, kNaN};
    for (double s : bad) {
        LXtMatrix4 M;
        Matrix4SetScale(M, 2, s, 4);
        EXPECT_FALSE(Matrix4InvertScale(M)) << s;
        EXPECT_EQ(M[0][0], 2.0) << "left unchanged";
        EXPECT_EQ(M[2][2], 4.0);
    }
}

// Every element perturbed in turn: which comparisons notice it.
TEST(QkMathMatrix4, ComparisonsCoverExactlyTheirElements) {
    const double tol = qk::constants::EPSILON;
    for (double delta : {2 * tol, -2 * tol, kNaN, kInf}) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                Matrix4 A, B;
                Matrix4SetCCWRotationByAxisAngle(A, 2, 0.3);
                Matrix4AddTranslation(A, 1, 2, 3);
                B = A;
                B.m[i][j] += delta;
                SCOPED_TRACE(testing::Message() << "element " << i << "," << j << " delta " << delta);
                EXPECT_FALSE(Matrix4Compare(A, B, tol));
                EXPECT_EQ(Matrix4CompareRotation(A, B, tol), !(i < 3 && j < 3));
                EXPECT_EQ(Matrix4CompareTranslation(A, B, tol), !(i == 3 && j < 3));
                B.m[i][j] = A.m[i][j] + (std::isfinite(delta) ? delta / 4 : 0.0);
                EXPECT_TRUE(Matrix4Compare(A, B, tol));
            }
    }
}

// ---- boxes ----

TEST(QkMathBBox2, EmptyBoxSentinelsAndCentre) {
    EXPECT_EQ(qk::constants::EMPTY_BOX_LIMIT, kEmpty);
    BBox2 box;
    box.AddPoint(5.0, 5.0);
    box.Reset();
    LXtVector v;
    box.GetMinPoint(v);
    ExpectVec(v, kEmpty, kEmpty, 0, 0);
    box.GetMaxPoint(v);
    ExpectVec(v, -kEmpty, -kEmpty, 0, 0);
    box.GetCenter(v);
    ExpectVec(v, 0, 0, 0, 0);
    BBox2 fresh;
    fresh.GetMinPoint(v);
    EXPECT_EQ(v[0], kEmpty);
}

TEST(QkMathBBox2, FirstPointSetsBothAndCornersFollowTheirOrder) {
    BBox2 box;
    const float f[2] = {0.1f, -2.0f};
    box.AddPoint(f);
    LXtVector lo, hi;
    box.GetMinPoint(lo);
    box.GetMaxPoint(hi);
    EXPECT_EQ(lo[0], static_cast<double>(0.1f));
    EXPECT_EQ(hi[0], static_cast<double>(0.1f));
    EXPECT_EQ(hi[1], -2.0);

    const double d[2] = {4.0, 6.0};
    box.AddPoint(d);
    box.AddPoint(kNaN, kNaN);
    box.AddPoint(-1.0, 1.0);
    struct Case {
        int corner;
        double x, y;
    };
    const Case cases[] = {{BBOX2_CORNER_MAXX_MAXY, 4, 6},
                          {BBOX2_CORNER_MAXX_MINY, 4, -2},
                          {BBOX2_CORNER_MINX_MAXY, -1, 6},
                          {BBOX2_CORNER_MINX_MINY, -1, -2},
                          {4, 0, 0},
                          {-1, 0, 0}};
    for (const auto &c : cases) {
        LXtVector v = {9, 9, 9};
        box.GetCorner(v, c.corner);
        ExpectVec(v, c.x, c.y, 0, 0);
    }
    LXtVector v;
    box.GetCenter(v);
    ExpectVec(v, 1.5, 2, 0);
    box.GetExtent(v);
    ExpectVec(v, 5, 8, 0, 0);
}

TEST(QkAABB3, EmptyBoxSentinelsAndCentre) {
    qk::AABB3 box;
    box.Add(1.0, 2.0, 3.0);
    box.Reset();
    LXtVector v;
    box.Pmin(v);
    ExpectVec(v, kEmpty, kEmpty, kEmpty, 0);
    box.Pmax(v);
    ExpectVec(v, -kEmpty, -kEmpty, -kEmpty, 0);
    box.GetCenter(v);
    ExpectVec(v, 0, 0, 0, 0);
}

TEST(QkAABB3, CornerBitsPickMaxPerAxis) {
    qk::AABB3 box;
    const float f[3] = {0.1f, 0.2f, 0.3f};
    box.Add(f);
    const double d[3] = {-1, -2, -3};
    box.Add(d);
    box.Add(kNaN, kNaN, kNaN);
    const double lo[3] = {-1, -2, -3};
    const double hi[3] = {0.1f, 0.2f, 0.3f};
    for (int index = 0; index < 8; ++index) {
        LXtVector v;
        box.Corner(index, v);
        ExpectVec(v, index & 1 ? hi[0] : lo[0], index & 2 ? hi[1] : lo[1], index & 4 ? hi[2] : lo[2], 0);
    }
    LXtVector c;
    box.GetCenter(c);
    ExpectVec(c, (0.1f - 1.0) / 2, (0.2f - 2.0) / 2, (0.3f - 3.0) / 2);
}

}  // namespace

// The value forms agree with the SDK's in-place product and point transform.
TEST(QkMathValueForms, AgreeWithTheInPlaceForms) {
    Matrix4 a = Multiply(AxisRotationMatrix(2, 0.3), ScaleMatrix(2, 3, 4));
    SetTranslation(a, {1, -2, 5});
    Matrix4 b = Multiply(RotationMatrix({0, 0, 1}, {0, 1, 0}, {-1, 0, 0}), TranslationMatrix({7, 8, 9}));
    Matrix4 expected = a;
    lx::Matrix4Multiply(static_cast<Matrix4::Row *>(expected), static_cast<Matrix4::Row *>(b));
    Matrix4 ab = Multiply(a, b);
    EXPECT_TRUE(Matrix4Compare(ab, expected, 0.0));

    const Vector3 p(0.5, -1.5, 2.0);
    Vector3 q;
    lx::Matrix4Multiply(static_cast<double *>(q), ab, p);
    EXPECT_TRUE(LxtVectorCompareAbs(TransformPoint(ab, p), q, 0.0));
    Vector3 d = TransformPoint(ab, p) - TranslationOf(ab);
    EXPECT_TRUE(LxtVectorCompareAbs(TransformDirection(ab, p), d, 1e-12));
    EXPECT_TRUE(LxtVectorCompareAbs(RightAxis(b), Vector3(0, 0, 1), 0.0));
    EXPECT_TRUE(LxtVectorCompareAbs(UpAxis(b), Vector3(0, 1, 0), 0.0));
    EXPECT_TRUE(LxtVectorCompareAbs(FwdAxis(b), Vector3(-1, 0, 0), 0.0));
    EXPECT_TRUE(LxtVectorCompareAbs(TranslationOf(b), Vector3(7, 8, 9), 0.0));
}

TEST(QkMathValueForms, NormalizedAndFinite) {
    EXPECT_TRUE(LxtVectorCompareAbs(Normalized({0, 3, 4}), Vector3(0, 0.6, 0.8), 1e-15));
    EXPECT_TRUE(LxtVectorCompareAbs(Normalized({0, 0, 0}), Vector3(0, 0, 0), 0.0));
    EXPECT_TRUE(IsFinite({1, 2, 3}));
    EXPECT_FALSE(IsFinite({1, std::nan(""), 3}));
    EXPECT_FALSE(IsFinite({1, 2, HUGE_VAL}));
}
