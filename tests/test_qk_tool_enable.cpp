#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/shapes.hpp"
#include "qk_tool_enable.hpp"
#include "tests/test_support.hpp"

namespace {

using gorva::host::AddMesh;
using gorva::host::GridShape;
using gorva::host::MeshShape;
using gorva::host::SelType;

using QkToolEnable = HostTest;

/// Three points and no polygon.
MeshShape PointsOnly() {
    MeshShape shape;
    shape.name = "Points";
    shape.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    return shape;
}

MeshShape Empty() {
    MeshShape shape;
    shape.name = "Empty";
    return shape;
}

TEST_F(QkToolEnable, VersionIsWhatThePlatformReports) {
    EXPECT_EQ(qk::GetModoVersionNum(), 801);
    host.version = 701;
    EXPECT_EQ(qk::GetModoVersionNum(), 701);
}

struct ModeCase {
    SelType type;
    bool component;
    bool vertex;
};

std::ostream &operator<<(std::ostream &os, const ModeCase &c) {
    return os << "type " << gorva::host::SelTypeName(c.type);
}

class QkSelectionMode : public HostTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(QkSelectionMode, CurrentTypeDecides) {
    host.selection.SetCurrent(GetParam().type);
    EXPECT_EQ(qk::IsComponentModeSelected(), GetParam().component);
    EXPECT_EQ(qk::IsSetVertexMode(), GetParam().vertex);
}

INSTANTIATE_TEST_SUITE_P(Types, QkSelectionMode,
                         ::testing::Values(ModeCase{gorva::host::kSelVertex, true, true},
                                           ModeCase{gorva::host::kSelEdge, true, false},
                                           ModeCase{gorva::host::kSelPolygon, true, false},
                                           ModeCase{gorva::host::kSelPTag, false, false},
                                           ModeCase{gorva::host::kSelItem, false, false}));

TEST_F(QkToolEnable, LaterModeReplacesEarlierOne) {
    host.selection.SetCurrent(gorva::host::kSelVertex);
    host.selection.SetCurrent(gorva::host::kSelItem);
    EXPECT_FALSE(qk::IsComponentModeSelected());
    EXPECT_FALSE(qk::IsSetVertexMode());
}

struct CountCase {
    unsigned selected;
    int n;
    bool expected;
};

std::ostream &operator<<(std::ostream &os, const CountCase &c) {
    return os << c.selected << " selected, n " << c.n;
}

class QkSelectionCount : public HostTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(QkSelectionCount, AtLeastN) {
    auto &mesh = AddMesh(host, GridShape(2, 2));
    std::vector<uint32_t> points, polygons;
    for (uint32_t i = 0; i < GetParam().selected; ++i) {
        points.push_back(i);
        polygons.push_back(i);
    }
    gorva::host::SelectPoints(host, mesh, points);
    gorva::host::SelectPolygons(host, mesh, polygons);
    EXPECT_EQ(qk::IsSetVertexSelection(GetParam().n), GetParam().expected);
    EXPECT_EQ(qk::IsSetPolygonSelection(GetParam().n), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, QkSelectionCount,
                         ::testing::Values(CountCase{0, 0, true}, CountCase{0, -1, true},
                                           CountCase{0, 1, false}, CountCase{1, 0, true},
                                           CountCase{1, 1, true}, CountCase{1, 2, false},
                                           CountCase{2, 2, true}, CountCase{2, 3, false}));

TEST_F(QkToolEnable, NoActiveLayerHasNoGeometry) {
    AddMesh(host, GridShape(1, 1));
    for (auto *layer : host.ActiveLayers()) host.SetActive(*layer, false);
    EXPECT_FALSE(qk::DoMeshItemsContainPolygons());
    EXPECT_FALSE(qk::DoMeshItemsContainVertices());
}

TEST_F(QkToolEnable, OnlySecondLayerHasPolygons) {
    AddMesh(host, PointsOnly());
    AddMesh(host, GridShape(1, 1));
    ASSERT_EQ(host.ActiveLayers().size(), 2u);
    EXPECT_TRUE(qk::DoMeshItemsContainPolygons());
}

TEST_F(QkToolEnable, OnlySecondLayerHasVertices) {
    AddMesh(host, Empty());
    AddMesh(host, PointsOnly());
    EXPECT_TRUE(qk::DoMeshItemsContainVertices());
}

TEST_F(QkToolEnable, PointsWithoutPolygons) {
    AddMesh(host, PointsOnly());
    EXPECT_TRUE(qk::DoMeshItemsContainVertices());
    EXPECT_FALSE(qk::DoMeshItemsContainPolygons());
}

TEST_F(QkToolEnable, InactiveGeometryDoesNotCount) {
    AddMesh(host, Empty());
    MeshShape hidden = GridShape(1, 1);
    hidden.active = false;
    AddMesh(host, hidden);
    EXPECT_FALSE(qk::DoMeshItemsContainPolygons());
    EXPECT_FALSE(qk::DoMeshItemsContainVertices());
}

struct MoveCase {
    double dx;
    bool transformed;
};

std::ostream &operator<<(std::ostream &os, const MoveCase &c) {
    return os << "dx " << c.dx;
}

class QkItemTransform : public HostTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(QkItemTransform, MoveAlongXBeyondTolerance) {
    MeshShape shape = GridShape(1, 1);
    shape.position = {GetParam().dx, 0.0, 0.0};
    AddMesh(host, shape);
    EXPECT_EQ(qk::IsSetItemTransform(), GetParam().transformed);
}

INSTANTIATE_TEST_SUITE_P(Moves, QkItemTransform,
                         ::testing::Values(MoveCase{0.0, false}, MoveCase{5e-7, false},
                                           MoveCase{-5e-7, false}, MoveCase{2e-6, true},
                                           MoveCase{-2e-6, true}));

TEST_F(QkToolEnable, TransformOfSecondLayerCounts) {
    AddMesh(host, GridShape(1, 1));
    MeshShape rotated = GridShape(1, 1);
    rotated.rotation = {0.0, 0.1, 0.0};
    AddMesh(host, rotated);
    EXPECT_TRUE(qk::IsSetItemTransform());
}

TEST_F(QkToolEnable, TransformOfInactiveItemDoesNotCount) {
    AddMesh(host, GridShape(1, 1));
    MeshShape moved = GridShape(1, 1);
    moved.position = {3.0, 0.0, 0.0};
    moved.active = false;
    AddMesh(host, moved);
    EXPECT_FALSE(qk::IsSetItemTransform());
}

TEST_F(QkToolEnable, NoRefSystem) {
    AddMesh(host, GridShape(1, 1));
    host.refSystem.clear();
    EXPECT_FALSE(qk::IsSetItemRefSystem());
    EXPECT_FALSE(qk::IsSetItemRefSecondaryLayer());
}

TEST_F(QkToolEnable, RefSystemIsFirstActiveLayer) {
    auto &first = AddMesh(host, GridShape(1, 1));
    AddMesh(host, GridShape(1, 1));
    host.refSystem = first.ident;
    EXPECT_TRUE(qk::IsSetItemRefSystem());
    EXPECT_FALSE(qk::IsSetItemRefSecondaryLayer());
}

TEST_F(QkToolEnable, RefSystemIsAnotherItem) {
    AddMesh(host, GridShape(1, 1));
    auto &second = AddMesh(host, GridShape(1, 1));
    host.refSystem = second.ident;
    EXPECT_TRUE(qk::IsSetItemRefSystem());
    EXPECT_TRUE(qk::IsSetItemRefSecondaryLayer());
}

}  // namespace
