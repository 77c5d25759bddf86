#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "Tool_BBox_Move_Geometry.hpp"
#include "qk_item_xfrm.hpp"

using namespace gORVA_Tools_BBox;

namespace {

constexpr double kC = 0.7071067811865476;  // cos 45 = sin 45

void ExpectVec(const Vector3 &v, double x, double y, double z, double tol = 1e-12) {
    EXPECT_NEAR(v.x(), x, tol);
    EXPECT_NEAR(v.y(), y, tol);
    EXPECT_NEAR(v.z(), z, tol);
}

Corners UnitBoxCorners() {
    qk::math::Box box;
    box.Add({0.0, 0.0, 0.0});
    box.Add({1.0, 1.0, 1.0});
    Corners c;
    BoxCorners(box, c);
    return c;
}

// An item scaled by (2, 1, 1), turned 45 degrees about Z (counter-clockwise) and raised 5 along Y:
// world = scale * rotation * translation, row vectors.
struct TurnedItem {
    Matrix4 scale = qk::math::ScaleMatrix(2, 1, 1);
    Matrix4 rotation = qk::math::RotationMatrix({kC, kC, 0}, {-kC, kC, 0}, {0, 0, 1});
    Matrix4 world =
        qk::math::Multiply(qk::math::Multiply(scale, rotation), qk::math::TranslationMatrix({0, 5, 0}));
    // Its item-space box spans y -1..1, but no vertex sits at the box's lowest corner (0, -1).
    std::vector<Vector3> points{{1, -1, 0}, {0, 1, 0}, {1, 1, 1}};
};

}  // namespace

TEST(BBoxGeometry, UpAxisFromPreference) {
    const int prefs[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 1}, {-1, 1}};
    for (const auto &p : prefs) EXPECT_EQ(UpAxisFromPreference(p[0]), p[1]) << p[0];
}

TEST(BBoxGeometry, CornersFollowBoxCornerOrder) {
    qk::math::Box box;
    Corners c;
    EXPECT_FALSE(BoxCorners(box, c));
    box.Add({0.0, 0.0, 0.0});
    box.Add({1.0, 2.0, 3.0});
    ASSERT_TRUE(BoxCorners(box, c));
    ExpectVec(c[0], 0, 0, 0);
    ExpectVec(c[1], 1, 0, 0);
    ExpectVec(c[2], 0, 2, 0);
    ExpectVec(c[5], 1, 0, 3);
    ExpectVec(c[7], 1, 2, 3);
    EXPECT_DOUBLE_EQ(TopHeight(c, 1), 2.0);
    EXPECT_DOUBLE_EQ(TopHeight(c, 2), 3.0);
}

TEST(BBoxGeometry, WorldBoxHugsTurnedSelection) {
    const TurnedItem item;
    qk::math::Box box;
    AddWorldPositions(box, item.points, item.world);
    // World points: (3c, 5 + c, 0), (-c, 5 + c, 0), (c, 5 + 3c, 1).
    ExpectVec(box.min, -kC, 5 + kC, 0);
    ExpectVec(box.max, 3 * kC, 5 + 3 * kC, 1);
}

TEST(BBoxGeometry, SetHeightPutsTurnedItemsLowestVertexAtHeight) {
    const TurnedItem item;
    qk::math::Box box;
    AddWorldPositions(box, item.points, item.world);
    DragState s;
    ASSERT_TRUE(BoxCorners(box, s.corners));
    s.setHeight = true;
    s.height = 1.0;
    s.baseHeight = s.corners[0].y();
    DragResult r;
    ASSERT_TRUE(DragCorner(s, 7, s.corners[7] + Vector3(0.5, 3, 0), r));
    ExpectVec(r.offset, 0.5, 1 - (5 + kC), 0);
    EXPECT_NEAR(r.corners[0].y(), 1.0, 1e-12);

    Vector3 local;
    ASSERT_EQ(qk::WorldToItemDisplacement(r.offset, item.rotation, item.scale, local), qk::ItemMove::MOVED);
    double lowest = 1e9;
    for (const Vector3 &p : item.points)
        lowest = std::fmin(lowest, qk::math::TransformPoint(item.world, p + local).y());
    EXPECT_NEAR(lowest, 1.0, 1e-12);
}

TEST(BBoxGeometry, DragMovesHandlesAndTotal) {
    struct Case {
        const char *name;
        int up;
        bool lock, set;
        double height;
        Vector3 offset, expectedOffset, expectedCorner0;
        bool expectedSet;
    };
    // Corner 7 of the unit box dragged by (1, 0.5, 0.25); the base height is 0 on every axis.
    const Case cases[] = {
        {"free", 1, false, false, 0, {0.25, 0, 0}, {1.25, 0.5, 0.25}, {1, 0.5, 0.25}, false},
        {"lock Y", 1, true, true, 0, {0, 0.3, 0}, {1, 0.3, 0.25}, {1, 0, 0.25}, false},
        {"set Y", 1, false, true, 2, {0, 0, 0}, {1, 2, 0.25}, {1, 2, 0.25}, true},
        {"lock Z", 2, true, false, 0, {0, 0, 0.4}, {1, 0.5, 0.4}, {1, 0.5, 0}, false},
        {"set Z", 2, false, true, -1, {0, 0, 0}, {1, 0.5, -1}, {1, 0.5, -1}, true},
        {"set X", 0, false, true, 3, {0, 0, 0}, {3, 0.5, 0.25}, {3, 0.5, 0.25}, true},
    };
    for (const Case &c : cases) {
        DragState s;
        s.corners = UnitBoxCorners();
        s.offset = c.offset;
        s.lockHeight = c.lock;
        s.setHeight = c.set;
        s.height = c.height;
        s.upAxis = c.up;
        DragResult r;
        ASSERT_TRUE(DragCorner(s, 7, {2, 1.5, 1.25}, r)) << c.name;
        ExpectVec(r.offset, c.expectedOffset.x(), c.expectedOffset.y(), c.expectedOffset.z());
        ExpectVec(r.corners[0], c.expectedCorner0.x(), c.expectedCorner0.y(), c.expectedCorner0.z());
        EXPECT_EQ(r.setHeight, c.expectedSet) << c.name;
    }
}

TEST(BBoxGeometry, SetHeightLevelsFromCurrentCorner) {
    DragState s;
    s.corners = UnitBoxCorners();
    for (Vector3 &c : s.corners) c += Vector3(0, 0.2, 0);  // an earlier drag raised the box
    s.setHeight = true;
    s.height = 1.0;
    DragResult r;
    ASSERT_TRUE(DragCorner(s, 1, {1.5, 0.7, 0}, r));
    ExpectVec(r.offset, 0.5, 1.0, 0);      // measured from where the box started
    ExpectVec(r.corners[0], 0.5, 1.0, 0);  // handles from where they are now
    ExpectVec(r.corners[7], 1.5, 2.0, 1);
}

TEST(BBoxGeometry, DragRefusesBadInput) {
    DragState s;
    s.corners = UnitBoxCorners();
    DragResult r;
    EXPECT_FALSE(DragCorner(s, 8, {0, 0, 0}, r));
    EXPECT_FALSE(DragCorner(s, -1, {0, 0, 0}, r));
    EXPECT_FALSE(DragCorner(s, 0, {std::numeric_limits<double>::quiet_NaN(), 0, 0}, r));
}

TEST(BBoxGeometry, WorkPlaneDisablesOnlyWhenItDiffers) {
    Matrix4 world = qk::math::TranslationMatrix({1, 2, 3});
    const Vector3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    EXPECT_FALSE(WorkPlaneDisablesTool(7, x, y, z, {1, 2, 3}, world));
    EXPECT_TRUE(WorkPlaneDisablesTool(7, x, y, z, {1, 2, 3 + 2e-6}, world));
    EXPECT_TRUE(WorkPlaneDisablesTool(7, y, x, z, {1, 2, 3}, world));
    EXPECT_FALSE(WorkPlaneDisablesTool(0, y, x, z, {0, 0, 0}, world));
}

TEST(BBoxGeometry, EdgesAndBottomFace) {
    std::set<std::pair<int, int>> all;
    for (const CornerEdge &e : BoxEdges()) {
        const int diff = e.first ^ e.second;
        EXPECT_TRUE(diff == 1 || diff == 2 || diff == 4);
        all.insert(e);
    }
    EXPECT_EQ(all.size(), 12u);

    const struct {
        int up;
        std::set<int> corners;
    } faces[] = {{1, {0, 1, 4, 5}}, {2, {0, 1, 2, 3}}, {0, {0, 2, 4, 6}}, {9, {0, 1, 4, 5}}};
    for (const auto &f : faces) {
        std::set<std::pair<int, int>> edges;
        for (const CornerEdge &e : BottomFaceEdges(f.up)) {
            EXPECT_TRUE(f.corners.count(e.first) && f.corners.count(e.second)) << f.up;
            edges.insert(e);
        }
        EXPECT_EQ(edges.size(), 4u) << f.up;
    }
}
