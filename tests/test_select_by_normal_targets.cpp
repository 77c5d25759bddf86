// Select by normal's target index and connected region: the same answers as comparing with every
// target and walking every polygon, on random and hand-made inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "CMD_SelectbyNormal_Targets.hpp"

using namespace gORVA_Cmds_SelectbyNormal;
using qk::math::Vector3;

namespace {

SelectedPolygonInfo Target(const Vector3 &normal, const Vector3 &centre) {
    SelectedPolygonInfo t;
    normal.CopyTo(t.normal);
    centre.CopyTo(t.centre);
    return t;
}

// Normals from a few directions, each nudged by up to 3e-6 per component, and centres on a few planes
// nudged by up to 3e-6 along them: many pairs fall either side of the 1e-6 limits.
std::vector<SelectedPolygonInfo> NearlyAlike(std::mt19937 &random, std::size_t count) {
    const Vector3 directions[] = {Vector3(0, 1, 0), qk::math::Normalized(Vector3(1, 1, 0)),
                                  Vector3(0, 0, -1)};
    std::uniform_int_distribution<int> pick(0, 2);
    std::uniform_real_distribution<double> nudge(-3e-6, 3e-6), spread(-50, 50);
    std::vector<SelectedPolygonInfo> targets;
    for (std::size_t i = 0; i < count; ++i) {
        const Vector3 n = qk::math::Normalized(directions[pick(random)] +
                                               Vector3(nudge(random), nudge(random), nudge(random)));
        const Vector3 along(spread(random), spread(random), spread(random));
        const Vector3 inPlane = along - n * qk::math::Dot(along, n);
        targets.push_back(Target(n, inPlane + n * (double(pick(random)) + nudge(random))));
    }
    return targets;
}

}  // namespace

class SelectByNormalIndex : public ::testing::TestWithParam<std::size_t> {};

// Few targets: the neighbouring groups are found by walking them all; many: by a lookup per cell.
INSTANTIATE_TEST_SUITE_P(FewAndMany, SelectByNormalIndex, ::testing::Values(std::size_t(6), std::size_t(60)));

TEST_P(SelectByNormalIndex, TheIndexAnswersAsEveryTargetWould) {
    std::mt19937 random(7);
    const std::vector<SelectedPolygonInfo> targets = NearlyAlike(random, GetParam());
    const std::vector<SelectedPolygonInfo> probes = NearlyAlike(random, 2000);
    const TargetIndex index(targets);
    EXPECT_EQ(index.GroupCount() > 27, GetParam() > 27) << index.GroupCount();
    const double variations[] = {0.0, 1e-6, 0.3, 2.0};
    std::size_t agreed[4] = {0, 0, 0, 0};
    for (const SelectedPolygonInfo &probe : probes) {
        const Vector3 n(probe.normal), c(probe.centre);
        bool same = false, coplanar = false, inPlane = false;
        for (const SelectedPolygonInfo &t : targets) {
            same = same || SameNormal(n, t);
            coplanar = coplanar || (SameNormal(n, t) && LiesInPlane(c, t));
            inPlane = inPlane || LiesInPlane(c, t);
        }
        ASSERT_EQ(index.AnySameNormal(n), same);
        ASSERT_EQ(index.AnyCoplanar(n, c), coplanar);
        ASSERT_EQ(index.AnyInPlane(c, [](std::size_t) { return true; }), inPlane);
        agreed[0] += same, agreed[1] += coplanar, agreed[2] += inPlane;
        for (double v : variations) {
            bool facing = false;
            for (const SelectedPolygonInfo &t : targets) facing = facing || FacesWithin(n, t, v);
            ASSERT_EQ(index.AnyFacing(n, v), facing) << v;
        }
    }
    // Both answers occur: the probes straddle the limits.
    for (int k = 0; k < 3; ++k) {
        EXPECT_GT(agreed[k], 0u) << k;
        EXPECT_LT(agreed[k], probes.size()) << k;
    }
}

TEST(SelectByNormalTargets, TargetsThatAreNotFiniteMatchNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<SelectedPolygonInfo> targets = {Target(Vector3(0, inf, 0), Vector3(0, 0, 0)),
                                                      Target(Vector3(0, 1, 0), Vector3(0, NAN, 0))};
    const TargetIndex index(targets);
    EXPECT_FALSE(index.AnySameNormal(Vector3(0, 1, 0)));
    EXPECT_FALSE(index.AnyFacing(Vector3(0, 1, 0), 3.0));
    EXPECT_FALSE(index.AnyInPlane(Vector3(0, 0, 0), [](std::size_t) { return true; }));
}

TEST(SelectByNormalTargets, TheRegionGrowsThroughSharedEdgesOnly) {
    // Points are ids 1..9 of a 2 x 2 grid of quads, plus a triangle touching quad 3 at one corner only
    // and a fan of triangles sharing edges around point 100.
    std::vector<std::vector<std::uintptr_t>> polygons = {
        {1, 2, 5, 4}, {2, 3, 6, 5}, {4, 5, 8, 7}, {5, 6, 9, 8}, {9, 10, 11}};
    for (std::uintptr_t i = 0; i < 50; ++i) polygons.push_back({100, 200 + i, 201 + i});
    PolygonCorners corners;
    for (const auto &p : polygons) {
        for (std::uintptr_t id : p) corners.corners.push_back(reinterpret_cast<const void *>(id));
        corners.starts.push_back(corners.corners.size());
    }
    std::vector<bool> seeds(polygons.size(), false);
    seeds[0] = true;
    std::vector<bool> region = ConnectedRegion(corners, seeds);
    for (std::size_t k = 0; k < polygons.size(); ++k) EXPECT_EQ(region[k], k < 4) << k;
    seeds.assign(polygons.size(), false);
    seeds[30] = true;  // in the fan: the whole fan, reversed edges included
    region = ConnectedRegion(corners, seeds);
    for (std::size_t k = 0; k < polygons.size(); ++k) EXPECT_EQ(region[k], k >= 5) << k;
}
