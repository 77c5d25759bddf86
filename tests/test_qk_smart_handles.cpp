#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "tests/support/shapes.hpp"
#include <lx_layer.hpp>
#include <lx_mesh.hpp>
#include "qk_smart_handles.hpp"
#include "tests/test_support.hpp"

namespace {

using gorva::host::AddMesh;
using gorva::host::MeshShape;

/// Fake vertex ids for the pure nearest-point searches.
LXtPointID Id(uintptr_t n) {
    return reinterpret_cast<LXtPointID>(n);
}

/// A quad whose vertex order differs from the point order, so the order can be told apart.
MeshShape ShuffledQuad() {
    MeshShape shape;
    shape.name = "Quad";
    shape.points = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    shape.polygons = {{{2, 1, 0, 3}, "", ""}};
    return shape;
}

/// Ids the host hands out for a polygon of an active layer and for its vertices, in polygon order.
struct PolygonIds {
    LXtPolygonID polygon = nullptr;
    std::vector<LXtPointID> vertices;
};

PolygonIds ReadIds(unsigned layer, unsigned polygonIndex) {
    PolygonIds ids;
    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    CLxUser_Mesh mesh;
    CLxUser_Polygon poly;
    if (!layers.BeginScan(LXf_LAYERSCAN_ACTIVE, scan) || !scan.BaseMeshByIndex(layer, mesh) ||
        !mesh.GetPolygons(poly) || LXx_FAIL(poly.SelectByIndex(polygonIndex)))
        return ids;
    ids.polygon = poly.ID();
    unsigned n = 0;
    poly.VertexCount(&n);
    for (unsigned i = 0; i < n; ++i) {
        LXtPointID p = nullptr;
        poly.VertexByIndex(i, &p);
        ids.vertices.push_back(p);
    }
    scan.Apply();
    return ids;
}

using QkHitPoly = HostTest;

TEST_F(QkHitPoly, QuadYieldsFourPointsInPolygonOrderWithIds) {
    AddMesh(host, ShuffledQuad());
    const PolygonIds ids = ReadIds(0, 0);
    ASSERT_EQ(ids.vertices.size(), 4u);
    std::vector<qk::Point> points;
    qk::AppendPolygonPoints(points, ids.polygon, 0);
    ASSERT_EQ(points.size(), 4u);
    const double expected[4][3] = {{1, 0, 1}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(points[i].x, expected[i][0]) << i;
        EXPECT_EQ(points[i].y, expected[i][1]) << i;
        EXPECT_EQ(points[i].z, expected[i][2]) << i;
        EXPECT_EQ(points[i].id, ids.vertices[i]) << i;
    }
}

TEST_F(QkHitPoly, PointsAreReadFromTheGivenLayerAndAppended) {
    AddMesh(host, ShuffledQuad());
    MeshShape moved = ShuffledQuad();
    for (auto &p : moved.points) p[1] = 2.5f;
    AddMesh(host, moved);
    const PolygonIds ids = ReadIds(1, 0);
    std::vector<qk::Point> points(1);
    qk::AppendPolygonPoints(points, ids.polygon, 1);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[0].id, nullptr);
    for (unsigned i = 1; i < 5; ++i) EXPECT_EQ(points[i].y, 2.5) << i;
}

TEST_F(QkHitPoly, MissingLayerAppendsNothing) {
    AddMesh(host, ShuffledQuad());
    const PolygonIds ids = ReadIds(0, 0);
    std::vector<qk::Point> points;
    qk::AppendPolygonPoints(points, ids.polygon, 3);
    EXPECT_TRUE(points.empty());
}

TEST(QkNearestOnHitPoly, SinglePointIsNotEnough) {
    const double target[3] = {0, 0, 0};
    qk::Point out{9, 9, 9, Id(9)};
    EXPECT_FALSE(qk::NearestPoint(out, {{0, 0, 0, Id(1)}}, target));
    EXPECT_EQ(out.x, 9.0);
    EXPECT_EQ(out.id, Id(9));
    EXPECT_FALSE(qk::NearestPoint(out, {}, target));
}

TEST(QkNearestOnHitPoly, NearestWins) {
    const double target[3] = {0.9, 0, 0.1};
    const std::vector<qk::Point> quad = {
        {0, 0, 0, Id(1)}, {1, 0, 0, Id(2)}, {1, 0, 1, Id(3)}, {0, 0, 1, Id(4)}};
    qk::Point out;
    ASSERT_TRUE(qk::NearestPoint(out, quad, target));
    EXPECT_EQ(out.id, Id(2));
    EXPECT_EQ(out.x, 1.0);
}

TEST(QkNearestOnHitPoly, TiesKeepTheFirst) {
    const double target[3] = {0.5, 0, 0};
    const std::vector<qk::Point> points = {{0, 0, 0, Id(1)}, {1, 0, 0, Id(2)}};
    qk::Point out;
    ASSERT_TRUE(qk::NearestPoint(out, points, target));
    EXPECT_EQ(out.id, Id(1));
}

TEST(QkNearestOnHitPoly, EverythingTooFarIsNoChoice) {
    const double target[3] = {2000000, 0, 0};
    const std::vector<qk::Point> points = {{0, 0, 0, Id(1)}, {0, 1, 0, Id(2)}};
    qk::Point out{7, 7, 7, Id(7)};
    EXPECT_FALSE(qk::NearestPoint(out, points, target));
    EXPECT_EQ(out.id, Id(7));
}

/// Points on the plane y = 0 except where noted; the target sits right by point 1.
struct InPlaneFixture : ::testing::Test {
    const double normal[3] = {0, 1, 0};
    const double planePoint[3] = {5, 0, 5};
    const double target[3] = {0, 0, 0};
    double pos[3] = {9, 9, 9};
    LXtPointID id = Id(99);
};

using QkNearestInPlane = InPlaneFixture;

TEST_F(QkNearestInPlane, ExcludedVertexIsSkippedEvenIfNearest) {
    const std::vector<qk::Point> points = {{0.1, 0, 0, Id(1)}, {2, 0, 0, Id(2)}, {3, 0, 0, Id(3)}};
    ASSERT_TRUE(qk::NearestPointInPlane(pos, id, points, target, normal, planePoint, Id(1)));
    EXPECT_EQ(id, Id(2));
    EXPECT_EQ(pos[0], 2.0);
}

struct OffsetCase {
    double offset;
    bool inPlane;
};

std::ostream &operator<<(std::ostream &os, const OffsetCase &c) {
    return os << "offset " << c.offset;
}

class QkNearestInPlaneOffset : public InPlaneFixture, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(QkNearestInPlaneOffset, PointsOffThePlaneAreSkipped) {
    const double off = GetParam().offset;
    const std::vector<qk::Point> points = {{0.1, off, 0, Id(1)}, {2, 0, 0, Id(2)}};
    ASSERT_TRUE(qk::NearestPointInPlane(pos, id, points, target, normal, planePoint, nullptr));
    EXPECT_EQ(id, GetParam().inPlane ? Id(1) : Id(2));
}

INSTANTIATE_TEST_SUITE_P(Offsets, QkNearestInPlaneOffset,
                         ::testing::Values(OffsetCase{0.0, true}, OffsetCase{5e-7, true},
                                           OffsetCase{-5e-7, true}, OffsetCase{2e-6, false},
                                           OffsetCase{-2e-6, false}));

TEST_F(QkNearestInPlane, NothingQualifies) {
    EXPECT_FALSE(qk::NearestPointInPlane(pos, id, {}, target, normal, planePoint, nullptr));
    const std::vector<qk::Point> points = {{0, 0, 0, Id(1)}, {0, 1, 0, Id(2)}};
    EXPECT_FALSE(qk::NearestPointInPlane(pos, id, points, target, normal, planePoint, Id(1)));
    EXPECT_EQ(id, Id(99));
    EXPECT_EQ(pos[0], 9.0);
}

TEST_F(QkNearestInPlane, SinglePointIsEnough) {
    const std::vector<qk::Point> points = {{4, 0, 0, Id(1)}};
    ASSERT_TRUE(qk::NearestPointInPlane(pos, id, points, target, normal, planePoint, nullptr));
    EXPECT_EQ(id, Id(1));
}

}  // namespace
