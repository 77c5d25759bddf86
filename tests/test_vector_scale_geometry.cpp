#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Tool_Vector_Scale_Geometry.hpp"

using namespace gORVA_Tools_Scale;

namespace {

void ExpectVec(const Vector3 &v, double x, double y, double z, double tol = 1e-12) {
    EXPECT_NEAR(v.x(), x, tol);
    EXPECT_NEAR(v.y(), y, tol);
    EXPECT_NEAR(v.z(), z, tol);
}

LXtPointID Id(int n) {
    return reinterpret_cast<LXtPointID>(static_cast<std::uintptr_t>(n));
}

// Visited vertices along X; vertex i gets the id i + 1.
std::vector<qk::Point> AlongX(std::initializer_list<double> xs) {
    std::vector<qk::Point> points;
    for (double x : xs) points.push_back({x, 0.0, 0.0, Id(static_cast<int>(points.size()) + 1)});
    return points;
}

std::string Flags(const TargetLine &line) {
    std::string s;
    for (int f = 0; f < TARGETLINE_FLAG_COUNT; ++f) s += line.HasFlag(f) ? char('0' + f) : '-';
    return s;
}

// A usable 2-unit line, a box 2 x 4 x 1, all axes.
ScaleReference Reference(int axes = SCALE_AXES_XYZ) {
    return {true, 2.0, {2, 4, 1}, axes};
}

// What the tool remembers right after activation on that reference.
ScaleMemory Activated() {
    return ActivationMemory(true, 2.0, {2, 4, 1});
}

ScaleAttributes Unchanged() {
    return {2.0, 1.0, {2, 4, 1}};
}

}  // namespace

TEST(ScaleTargetLine, EndsAndFlags) {
    const struct {
        const char *name;
        std::vector<qk::Point> visited;
        int p2Id;
        const char *flags;
        bool usable;
    } cases[] = {
        {"two apart", AlongX({0, 2}), 1, "-----", true},
        {"earliest far is p2", AlongX({0, 5, 1, 3}), 1, "-----", true},
        {"co-located with p1", AlongX({2, 0, 0}), 1, "0----", true},
        {"within 1e-6 of p1", AlongX({2, 5e-7, 0}), 1, "0----", true},
        {"co-located with p2", AlongX({2, 2, 0}), 1, "-1---", true},
        {"all co-located", AlongX({1, 1, 1}), 3, "--2--", false},
        {"close to p1", AlongX({2, 0.003, 0}), 1, "---3-", false},
        {"close to p2", AlongX({2, 2.003, 0}), 1, "----4", false},
        {"0.005 is not close", AlongX({2, 0.005, 0}), 1, "-----", true},
    };
    for (const auto &c : cases) {
        TargetLine line;
        ASSERT_TRUE(TargetLineFromVertices(c.visited, 3, line)) << c.name;
        EXPECT_TRUE(line.valid);
        EXPECT_EQ(line.layer, 3u);
        EXPECT_EQ(line.ids[0], c.visited.back().id) << c.name;
        EXPECT_EQ(line.ids[1], Id(c.p2Id)) << c.name;
        EXPECT_EQ(Flags(line), c.flags) << c.name;
        EXPECT_EQ(line.Usable(), c.usable) << c.name;
    }
}

TEST(ScaleTargetLine, DegenerateSelections) {
    TargetLine line;
    EXPECT_FALSE(TargetLineFromVertices(AlongX({1}), 0, line));
    EXPECT_FALSE(line.valid);
    line.Setup(0, Id(1), Id(2), {1, 1, 1}, {1, 1, 1});  // an edge of zero length
    EXPECT_TRUE(line.valid);
    EXPECT_FALSE(line.Usable());

    EXPECT_TRUE(VertexLayerQualifies(3, 3));
    EXPECT_FALSE(VertexLayerQualifies(2, 3));
    EXPECT_FALSE(VertexLayerQualifies(1, 1));
    EXPECT_TRUE(EdgeLayerQualifies(1, 1));
    EXPECT_FALSE(EdgeLayerQualifies(1, 2));
    EXPECT_FALSE(EdgeLayerQualifies(2, 2));
}

TEST(ScaleAxesPopup, MaskAndInactiveAxes) {
    using Axes = std::array<bool, 3>;
    constexpr bool Y = true, N = false;
    const struct {
        const char *name;
        Axes kept;
    } popup[] = {{"XYZ", {Y, Y, Y}}, {"XY", {Y, Y, N}}, {"YZ", {N, Y, Y}}, {"ZX", {Y, N, Y}},
                 {"X", {Y, N, N}},   {"Y", {N, Y, N}},  {"Z", {N, N, Y}}};
    for (int v = 0; v < 7; ++v) {
        EXPECT_EQ(ScaleAxesMask(v), popup[v].kept) << v;
        EXPECT_STREQ(SCALE_AXES_NAMES[v], popup[v].name) << v;
    }
    EXPECT_EQ(ScaleAxesMask(9), (Axes{Y, Y, Y}));
    EXPECT_EQ(InactiveAxes(SCALE_MODE_FACTOR, SCALE_AXES_Z), (Axes{Y, Y, N}));
    EXPECT_EQ(InactiveAxes(SCALE_MODE_LENGTH, SCALE_AXES_YZ), (Axes{Y, N, N}));
    EXPECT_EQ(InactiveAxes(SCALE_MODE_SIZE_Z, SCALE_AXES_Z), (Axes{N, N, N}));
}

TEST(ScaleDecide, TargetLengthScalesLine) {
    ScaleAttributes in = Unchanged();
    in.length = 3.0;
    ScaleDecision d = DecideScale(in, Activated(), Reference());
    ASSERT_EQ(d.action, ScaleAction::SCALE);
    EXPECT_EQ(d.memory.mode, SCALE_MODE_LENGTH);
    EXPECT_DOUBLE_EQ(d.write.scaleFactor, 1.5);
    EXPECT_DOUBLE_EQ(d.write.length, 3.0);
    ExpectVec(d.factors, 1.5, 1.5, 1.5);
    ExpectVec(d.write.dims, 3, 6, 1.5);

    d = DecideScale(in, Activated(), Reference(SCALE_AXES_X));
    ExpectVec(d.factors, 1.5, 1, 1);
    ExpectVec(d.write.dims, 3, 4, 1);
    ExpectVec(d.memory.factors, 1.5, 1, 1);
}

TEST(ScaleDecide, FactorAndLengthRules) {
    const struct {
        const char *name;
        double length, factor;
        bool usable;
        int mode;
        double writtenLength, writtenFactor;
    } cases[] = {
        {"factor drives length", 2.0, 2.0, true, SCALE_MODE_FACTOR, 4.0, 2.0},
        {"negative factor is 0", 2.0, -1.0, true, SCALE_MODE_FACTOR, 0.0, 0.0},
        {"factor without line", 2.0, 3.0, false, SCALE_MODE_FACTOR, 0.0, 3.0},
        {"short length is 0.001", 0.0001, 1.0, true, SCALE_MODE_LENGTH, 0.001, 0.0005},
        {"length without line", 3.0, 1.0, false, SCALE_MODE_LENGTH, 0.0, 1.0},
        {"nothing changed", 2.0, 1.0, true, SCALE_MODE_FACTOR, 2.0, 1.0},
    };
    for (const auto &c : cases) {
        ScaleReference ref = Reference();
        ref.lineUsable = c.usable;
        ScaleAttributes in = Unchanged();
        in.length = c.length;
        in.scaleFactor = c.factor;
        const ScaleDecision d = DecideScale(in, Activated(), ref);
        ASSERT_EQ(d.action, ScaleAction::SCALE) << c.name;
        EXPECT_EQ(d.memory.mode, c.mode) << c.name;
        EXPECT_DOUBLE_EQ(d.write.length, c.writtenLength) << c.name;
        EXPECT_DOUBLE_EQ(d.write.scaleFactor, c.writtenFactor) << c.name;
        ExpectVec(d.factors, c.writtenFactor, c.writtenFactor, c.writtenFactor);
    }
}

TEST(ScaleDecide, SizeRules) {
    ScaleMemory memory = Activated();
    memory.factors = {1, 1.5, 1};
    ScaleAttributes in = Unchanged();
    in.dims.v[0] = 4.0;
    ScaleDecision d = DecideScale(in, memory, Reference());
    ASSERT_EQ(d.action, ScaleAction::SCALE);
    EXPECT_EQ(d.memory.mode, SCALE_MODE_SIZE_X);
    ExpectVec(d.factors, 2, 1.5, 1);
    ExpectVec(d.write.dims, 4, 6, 1);
    EXPECT_DOUBLE_EQ(d.write.scaleFactor, 1.0);
    EXPECT_DOUBLE_EQ(d.write.length, 0.0);

    in = Unchanged();
    in.dims.v[2] = -3.0;  // a negative size flattens the axis
    d = DecideScale(in, Activated(), Reference(SCALE_AXES_X));
    EXPECT_EQ(d.memory.mode, SCALE_MODE_SIZE_Z);
    ExpectVec(d.factors, 1, 1, 0);  // the axes popup does not limit sizes
}

TEST(ScaleDecide, SizeOnFlatAxisIsCleared) {
    ScaleReference ref = Reference();
    ref.boxSize = {2, 0, 1};
    ScaleMemory memory = ActivationMemory(true, 2.0, ref.boxSize);
    ScaleAttributes in = {2.0, 1.0, {2, 0.5, 1}};
    const ScaleDecision d = DecideScale(in, memory, ref);
    EXPECT_EQ(d.action, ScaleAction::CLEAR_SIZE);
    EXPECT_EQ(d.clearedAxis, 1);
    EXPECT_EQ(d.write.dims.y(), 0.0);
    EXPECT_EQ(d.memory.sizes.y(), 0.0);
    EXPECT_EQ(d.memory.mode, SCALE_MODE_FACTOR);
}

TEST(ScaleDecide, RepeatedModes) {
    // A size mode repeated after "group" left the box without that axis (within 1e-6): nothing to scale by.
    ScaleReference ref = Reference();
    ScaleMemory memory;
    ScaleDecision d;
    for (double height : {0.0, 5e-7}) {
        ref.boxSize = {2, height, 1};
        memory = ActivationMemory(true, 2.0, ref.boxSize);
        memory.mode = SCALE_MODE_SIZE_Y;
        d = DecideScale({2.0, 1.0, ref.boxSize}, memory, ref);
        EXPECT_EQ(d.action, ScaleAction::NOTHING) << height;
        EXPECT_EQ(d.memory.mode, SCALE_MODE_SIZE_Y);
    }

    memory.mode = SCALE_MODE_SIZE_X;
    memory.factors = {3, 2, 2};
    d = DecideScale({2.0, 1.0, ref.boxSize}, memory, ref);
    ASSERT_EQ(d.action, ScaleAction::SCALE);
    ExpectVec(d.factors, 1, 2, 2);

    memory.mode = 0;
    EXPECT_EQ(DecideScale({2.0, 1.0, ref.boxSize}, memory, ref).action, ScaleAction::NOTHING);

    // Straight after a reset the remembered factor differs, so factor mode runs.
    memory = Activated();
    memory.scaleFactor = 0.9;
    d = DecideScale(Unchanged(), memory, Reference(SCALE_AXES_Y));
    EXPECT_EQ(d.memory.mode, SCALE_MODE_FACTOR);
    ExpectVec(d.factors, 1, 1, 1);
}

TEST(ScaleBoxes, ReferenceBoxGroupAndLayer) {
    const std::vector<LXtBBox> boxes = {{{0, 0, 0}, {2, 2, 2}, {2, 2, 2}, {1, 1, 1}},
                                        {{-1, 1, 0}, {1, 5, 1}, {2, 4, 1}, {0, 3, 0.5}}};
    ScaleBox box;
    ASSERT_TRUE(ReferenceBox(boxes, true, 0, box));
    ExpectVec(box.bounds.min, -1, 0, 0);
    ExpectVec(box.bounds.max, 2, 5, 2);
    ExpectVec(box.centre, 0.5, 2.5, 1);
    ExpectVec(BoxSize(box), 3, 5, 2);
    ASSERT_TRUE(ReferenceBox(boxes, false, 1, box));
    ExpectVec(box.bounds.min, -1, 1, 0);
    ExpectVec(box.centre, 0, 3, 0.5);
    EXPECT_FALSE(ReferenceBox(boxes, false, 2, box));
    EXPECT_FALSE(ReferenceBox({}, true, 0, box));
}

TEST(ScaleBoxes, RuleRestsOnGroundForEachUpAxis) {
    const ScaleBox box{{{0, 2, 0}, {2, 4, 4}}, {1, 3, 2}};
    const struct {
        int up;
        bool centre, ground;
        Vector3 min;  // where the box's minimum corner goes when scaled by 2
    } cases[] = {
        {1, false, false, {-1, 1, -2}}, {1, true, false, {-2, -2, -4}}, {1, false, true, {-1, 0, -2}},
        {1, true, true, {-2, 0, -4}},   {2, false, true, {-1, 1, 0}},   {2, true, true, {-2, -2, 0}},
        {0, false, true, {0, 1, -2}},   {0, true, true, {0, -2, -4}},   {7, true, true, {-2, 0, -4}},
    };
    for (const auto &c : cases) {
        ScaleRule rule;
        ASSERT_TRUE(MakeScaleRule(box, {2, 2, 2}, c.centre, c.ground, c.up, rule));
        ExpectVec(rule.Apply(box.bounds.min), c.min.x(), c.min.y(), c.min.z());
    }
}

TEST(ScaleBoxes, FlatBoxAndBadFactors) {
    const ScaleBox flat{{{0, 2, 0}, {2, 2, 2}}, {1, 2, 1}};
    ScaleRule rule;
    ASSERT_TRUE(MakeScaleRule(flat, {3, 3, 3}, false, true, 1, rule));
    ExpectVec(rule.Apply({2, 2, 2}), 4, 0, 4);
    EXPECT_FALSE(MakeScaleRule(flat, {NAN, 1, 1}, false, false, 1, rule));
}

TEST(ScaleDisplay, TargetLineShowsLineOrWarnings) {
    const Vector3 p1(0, 0, 0), p2(2, 0, 0);
    TargetLine line;
    line.Setup(0, Id(1), Id(2), p1, p2);
    LineDisplay shown = TargetLineDisplay(line, p1, p2, 0.5);
    EXPECT_TRUE(shown.showLine);
    EXPECT_DOUBLE_EQ(shown.length, 2.0);
    ExpectVec(shown.labelPosition, 1, 0.5, 0);
    EXPECT_TRUE(shown.markers.empty());

    line.SetFlag(TARGETLINE_COLOCATED_P2);
    shown = TargetLineDisplay(line, p1, p2, 0.5);
    ASSERT_EQ(shown.markers.size(), 1u);
    ExpectVec(shown.markers[0].centre, 2, 0, 0);
    ExpectVec(shown.markers[0].textPosition, 2, 0.75, 0);
    EXPECT_STREQ(shown.markers[0].text, "Co-Located Points");

    TargetLine all;
    all.Setup(0, Id(1), Id(1), p1, p1);
    all.SetFlag(TARGETLINE_ALL_COLOCATED);
    shown = TargetLineDisplay(all, p1, p1, 0.5);
    EXPECT_FALSE(shown.showLine);
    ASSERT_EQ(shown.markers.size(), 1u);
    EXPECT_STREQ(shown.markers[0].text, "All Points Co-Located. Target Length Disabled");

    line.SetFlag(TARGETLINE_NEAR_P1);
    line.SetFlag(TARGETLINE_NEAR_P2);
    shown = TargetLineDisplay(line, p1, p2, 0.5);
    EXPECT_FALSE(shown.showLine);
    ASSERT_EQ(shown.markers.size(), 2u);
    EXPECT_STREQ(shown.markers[0].text, "Multiple Points in Close Proximity. Target Length Disabled");
    EXPECT_STREQ(shown.markers[1].text, "Multiple Points in Close Proximity. Target Length Disabled.");
    EXPECT_FALSE(TargetLineDisplay(line, p1, p2, 0.0).showLine);
    EXPECT_TRUE(TargetLineDisplay(TargetLine(), p1, p2, 0.5).markers.empty());
}

TEST(ScaleDisplay, ScaledBoxAndDimensions) {
    Vector3 bmin, bmax;
    ScaledBox({{{0, 2, 0}, {2, 4, 4}}, {1, 3, 2}}, {2, 1, 0.5}, {1, 3, 2}, bmin, bmax);
    ExpectVec(bmin, -1, 2, 1);
    ExpectVec(bmax, 3, 4, 3);

    // A flat box: no Y dimension.
    std::vector<Dimension> dims = BoxDimensions({0, 0, 0}, {2, 0, 1}, {false, false, false}, 0.1);
    ASSERT_EQ(dims.size(), 2u);
    ExpectVec(dims[0].line.from, 0, 0, 1.3);
    ExpectVec(dims[0].line.to, 2, 0, 1.3);
    ExpectVec(dims[0].ticks[1].from, 2, 0, 1.4);
    ExpectVec(dims[0].ticks[1].to, 2, 0, 1.0);
    ExpectVec(dims[0].labelPosition, 1, 0, 1.3);
    EXPECT_STREQ(dims[0].key, "bbox_axis_length_x");
    EXPECT_DOUBLE_EQ(dims[0].length, 2.0);
    ExpectVec(dims[0].lineColour, 0.99, 0.79, 0.99);
    ExpectVec(dims[0].labelColour, 0.4, 1.0, 1.0);
    EXPECT_EQ(dims[1].axis, 2);
    ExpectVec(dims[1].line.from, -0.3, 0, 0);
    ExpectVec(dims[1].line.to, -0.3, 0, 1);
    ExpectVec(dims[1].ticks[0].from, 0, 0, 0);
    ExpectVec(dims[1].ticks[0].to, -0.4, 0, 0);

    dims = BoxDimensions({0, 0, 0}, {1, 0.005, 0}, {true, false, false}, 0.1);
    ASSERT_EQ(dims.size(), 2u);
    ExpectVec(dims[0].lineColour, 0.8, 0.8, 0.8);
    ExpectVec(dims[0].labelColour, 0.8, 0.8, 0.8);
    ExpectVec(dims[1].line.from, -0.3, 0, 0);
    ExpectVec(dims[1].line.to, -0.3, 0.005, 0);
    ExpectVec(dims[1].ticks[1].from, 0, 0.005, 0);
    ExpectVec(dims[1].lineColour, 0.4, 1.0, 1.0);  // shorter than 0.01
    EXPECT_TRUE(BoxDimensions({0, 0, 0}, {1, 1, 1}, {}, -1.0).empty());
}
