// The Arch tool driven by command lines as a script would: activation, placement, handle drags,
// attribute changes and apply, checked against the curve generator and hand-computed points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "Tool_Arches_032.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_mesh.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using namespace gORVA_Tools_Arch;

namespace {

constexpr double kTol = 2e-5;  // mesh positions are single precision

/// Where the arch's local frame lands: world = start + x * right + y * up.
struct Frame {
    Vector3 start, right{1, 0, 0}, up{0, 1, 0};
    Vector3 Map(const Vector3 &p) const { return start + right * p.x() + up * p.y(); }
};

/// Points and polygons (as point indices) a mode should write for the inputs.
struct Expected {
    std::vector<Vector3> points;
    std::vector<std::vector<uint32_t>> polygons;
};

Expected ExpectedArch(const ArchInputs &raw, const Frame &frame) {
    ArchInputs in = ClampArchInputs(raw);
    std::vector<Vector3> curve, second;
    Expected e;
    auto polygonOver = [&e](uint32_t first, uint32_t count) {
        std::vector<uint32_t> p(count);
        for (uint32_t i = 0; i < count; ++i) p[i] = first + i;
        e.polygons.push_back(p);
    };
    if (in.mode == ARCH_GEO_POLYGON_STRIP) {
        BuildStripIntrados(in.type, in.span, in.height, in.segments, curve);
        BuildExtrados(in.type, in.span, in.height, in.segments, in.depth, second);
        uint32_t na = uint32_t(curve.size());
        e.points = curve;
        e.points.insert(e.points.end(), second.begin(), second.end());
        for (uint32_t i = 0; i + 1 < na; ++i) e.polygons.push_back({na + i, na + i + 1, i + 1, i});
    } else {
        BuildArchCurve(in.type, in.span, in.height, in.segments, curve);
        std::vector<Vector3> outline = curve;
        AppendKnockoutPoints(in.type, in.span, in.height, outline);
        std::reverse(outline.begin(), outline.end());
        uint32_t n = uint32_t(curve.size());
        if (in.mode == ARCH_GEO_POLYGON || in.mode == ARCH_GEO_POLYGON_KNOCKOUT ||
            in.mode == ARCH_GEO_POLYLINE)
            e.points = curve;
        if (in.mode == ARCH_GEO_POLYGON || in.mode == ARCH_GEO_POLYGON_KNOCKOUT) polygonOver(0, n);
        if (in.mode == ARCH_GEO_POLYLINE)
            for (uint32_t i = 0; i + 1 < n; ++i) e.polygons.push_back({i, i + 1});
        if (in.mode == ARCH_GEO_KNOCKOUT || in.mode == ARCH_GEO_POLYGON_KNOCKOUT) {
            uint32_t first = uint32_t(e.points.size());
            e.points.insert(e.points.end(), outline.begin(), outline.end());
            polygonOver(first, uint32_t(outline.size()));
        }
    }
    for (Vector3 &p : e.points) p = frame.Map(p);
    return e;
}

class ArchToolTest : public ToolSceneTest {
protected:
    void Attr(const std::string &name, const std::string &value) {
        Line("tool.attr gORVA.Arch " + name + " " + value);
    }
    double Num(const std::string &attr) { return AttrNumber(attr); }
    Vector3 AttrVec(const std::string &prefix) {
        return {Num(prefix + "X"), Num(prefix + "Y"), Num(prefix + "Z")};
    }
    MeshData &M() { return *mesh->mesh; }
    Vector3 Point(uint32_t i) { return Vector3(M().Positions()[i].data()); }
    std::vector<Vector3> PolygonPoints(uint32_t poly) {
        std::vector<Vector3> out;
        for (uint32_t k = 0; k < M().VertexCount(poly); ++k) out.push_back(Point(M().Vertices(poly)[k]));
        return out;
    }
    void ExpectNear(const Vector3 &a, const Vector3 &b, const std::string &what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(a.v[i], b.v[i], kTol) << what << " axis " << i;
    }
    void ExpectMesh(const Expected &e) {
        ASSERT_EQ(M().PointCount(), e.points.size());
        for (uint32_t i = 0; i < e.points.size(); ++i)
            ExpectNear(Point(i), e.points[i], "point " + std::to_string(i));
        ASSERT_EQ(M().PolygonCount(), e.polygons.size());
        for (uint32_t p = 0; p < e.polygons.size(); ++p) {
            std::vector<uint32_t> verts(M().Vertices(p), M().Vertices(p) + M().VertexCount(p));
            EXPECT_EQ(verts, e.polygons[p]) << "polygon " << p;
            ASSERT_NE(M().Tag(p, LXi_PTAG_PART), nullptr);
            EXPECT_STREQ(M().Tag(p, LXi_PTAG_PART), ARCH_PART_NAME);
        }
    }
};

}  // namespace

TEST_F(ArchToolTest, DefaultArchAppearsOnActivationAndApplies) {
    Line("tool.set gORVA.Arch on");
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 21u);
    ASSERT_EQ(M().PolygonCount(), 1u);
    EXPECT_EQ(M().VertexCount(0), 21u);
    ExpectNear(Point(0), {2, 0, 0}, "span end");
    ExpectNear(Point(10), {1, 1, 0}, "crown");
    ExpectNear(Point(20), {0, 0, 0}, "span start");
    ExpectMesh(ExpectedArch({ARCH_SEMI, ARCH_GEO_POLYGON, 20, 1.0, 2.0, 0.0}, Frame{}));
    EXPECT_FALSE(host.Tools().Active());
}

TEST_F(ArchToolTest, ReEvaluationNeverPilesUpGeometry) {
    Line("tool.set gORVA.Arch on");
    for (int n : {8, 12, 8, 30}) Attr("arch_segments", std::to_string(n));
    Attr("arch_type", "segmental");
    Attr("arch_type", "semi");
    Line("tool.view 3d 50");
    EXPECT_EQ(M().PointCount(), 31u);
    EXPECT_EQ(M().PolygonCount(), 1u);
    EXPECT_GT(host.Tools().Evaluations(), 6u);
}

struct TypeModeCase {
    int type;
    int mode;
    int segments;
    double height, span;
};

class ArchEveryTypeAndMode : public ArchToolTest, public ::testing::WithParamInterface<TypeModeCase> {};

TEST_P(ArchEveryTypeAndMode, MeshHoldsTheGeneratorsArch) {
    const TypeModeCase &c = GetParam();
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", ARCH_TYPE_NAMES[c.type]);
    Attr("arch_segments", std::to_string(c.segments));
    Attr("arch_span", std::to_string(c.span));  // before the height, which is limited by the span
    Attr("arch_height", std::to_string(c.height));
    Attr("arch_geometry_mode", ARCH_GEOMETRY_MODE_NAMES[c.mode]);
    if (c.mode == ARCH_GEO_POLYGON_STRIP) Attr("intra_extrados_dist", "0.25");
    Line("tool.doApply");
    ExpectMesh(ExpectedArch({c.type, c.mode, c.segments, c.height, c.span, 0.25}, Frame{}));
}

std::vector<TypeModeCase> AllTypesAndModes() {
    std::vector<TypeModeCase> cases;
    for (int type = ARCH_SEMI; type <= ARCH_ELLIPTICAL; ++type)
        for (int mode = ARCH_GEO_POLYGON; mode <= ARCH_GEO_POLYGON_STRIP; ++mode)
            if (mode != ARCH_GEO_POLYGON_STRIP || type <= ARCH_EQUILATERAL)
                cases.push_back({type, mode, 10, 1.3, 3.0});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Arches, ArchEveryTypeAndMode, ::testing::ValuesIn(AllTypesAndModes()),
                         [](const auto &p) {
                             std::string name = std::string(ARCH_TYPE_NAMES[p.param.type]) + "_" +
                                                ARCH_GEOMETRY_MODE_NAMES[p.param.mode];
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(ArchToolTest, ScriptPlacesDragsAndShapesTheArch) {
    Line("tool.axis 2");  // the arch stands in the XY plane, facing +Z
    Line("tool.actionCenter 1 0 2");
    Line("tool.set gORVA.Arch on");
    Line("tool.press 9 9 9");  // first press: the arch moves to the action centre, tiny
    EXPECT_NEAR(Num("arch_span"), 0.001, 1e-12);
    Line("tool.drag 11 9 9");  // hauls the span 2 m to the right
    Line("tool.release");
    EXPECT_NEAR(Num("arch_span"), 2.001, 1e-9);
    ExpectNear(AttrVec("span_start"), {1, 0, 2}, "start after placement");
    ExpectNear(AttrVec("offset"), {1, 0, 2}, "recorded action centre");

    Attr("arch_type", "segmental");
    Line("tool.press part:10000");
    Line("tool.drag 2 0.7 2");
    Line("tool.release");
    EXPECT_NEAR(Num("arch_height"), 0.7, 1e-9);
    Line("tool.press part:10001");
    Line("tool.drag 5 3 2");  // only the part along the span counts
    Line("tool.release");
    EXPECT_NEAR(Num("arch_span"), 4.0, 1e-9);
    ExpectNear(AttrVec("span_end"), {5, 0, 2}, "span end");
    Line("tool.press part:10002");
    Line("tool.drag 0 0 0");  // moves the whole arch
    Line("tool.release");
    Attr("arch_segments", "12");
    Line("tool.doApply");

    Frame frame;
    frame.start = {0, 0, 0};
    ExpectMesh(ExpectedArch({ARCH_SEGMENTAL, ARCH_GEO_POLYGON, 12, 0.7, 4.0, 0.0}, frame));
    ExpectNear(Point(6), {2, 0.7, 0}, "crown point");
}

TEST_F(ArchToolTest, FirstPressOnTheDefaultWorkPlaneLaysTheArchFlat) {
    Line("tool.actionCenter 0 0 0");
    Line("tool.set gORVA.Arch on");
    Line("tool.press 5 5 5");
    Line("tool.drag 7 5 5");
    Line("tool.release");
    Line("tool.doApply");
    Frame frame;
    frame.up = {0, 0, -1};  // axis Y: the arch rises along -Z, its face up
    ExpectMesh(ExpectedArch({ARCH_SEMI, ARCH_GEO_POLYGON, 20, 1.0, 2.001, 0.0}, frame));
}

TEST_F(ArchToolTest, LancetPassesThroughHalfSpanAtItsHeight) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "lancet");
    Attr("arch_height", "0.6");   // lower than half the span
    Attr("arch_segments", "11");  // rounded up to 12
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 13u);
    ExpectNear(Point(6), {1.0, 0.6, 0}, "apex");
}

TEST_F(ArchToolTest, OgeeSegmentsRoundUpToMultiplesOfFour) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "ogee_semi");
    Attr("arch_segments", "9");
    EXPECT_EQ(host.Tools().Attribute("arch_segments"), "12");
    EXPECT_EQ(M().PointCount(), 13u);
    Attr("arch_segments", "5");
    EXPECT_EQ(host.Tools().Attribute("arch_segments"), "8");
    EXPECT_EQ(M().PointCount(), 9u);
    ExpectNear(Point(4), {1, 1, 0}, "apex at half span, height L/2");
}

TEST_F(ArchToolTest, ParabolicWithOddSegmentsBuildsOneFewer) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "parabolic");
    Attr("arch_segments", "7");
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 7u);
    ExpectNear(Point(3), {1, 1, 0}, "apex");
}

TEST_F(ArchToolTest, EllipticalEndsAtTheSpanStart) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "elliptical");
    Attr("arch_height", "0.4");
    Attr("arch_segments", "6");
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 7u);
    ExpectNear(Point(0), {2, 0, 0}, "start of curve");
    ExpectNear(Point(3), {1, 0.4, 0}, "crown");
    ExpectNear(Point(6), {0, 0.4 * 1.2246467991473532e-16, 0}, "end of curve");
}

TEST_F(ArchToolTest, SegmentalStripHasSevenAndSevenPointsAndSixQuads) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "segmental");
    Attr("arch_height", "0.5");
    Attr("arch_segments", "6");
    Attr("arch_geometry_mode", "polygon-strip");
    Attr("intra_extrados_dist", "0.3");
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 14u);
    ASSERT_EQ(M().PolygonCount(), 6u);
    std::vector<uint32_t> first(M().Vertices(0), M().Vertices(0) + 4);
    EXPECT_EQ(first, (std::vector<uint32_t>{7, 8, 1, 0}));
    // Intrados and extrados points pair up on rays from the arc's centre: R = 1.25, centre (1, -0.75).
    for (uint32_t i = 0; i < 7; ++i) {
        Vector3 a = Point(i) - Vector3(1, -0.75, 0), b = Point(7 + i) - Vector3(1, -0.75, 0);
        EXPECT_NEAR(qk::math::Length(a), 1.25, kTol);
        EXPECT_NEAR(qk::math::Length(b), 1.55, kTol);
        EXPECT_NEAR(qk::math::Length(qk::math::Cross(a, b)), 0.0, 1e-4);
    }
}

TEST_F(ArchToolTest, KnockoutRunsFromTheTopOverTheEndToTheEnd) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_geometry_mode", "knockout");
    Line("tool.doApply");
    ASSERT_EQ(M().PolygonCount(), 1u);
    std::vector<Vector3> p = PolygonPoints(0);
    ASSERT_EQ(p.size(), 23u);
    ExpectNear(p[0], {2, 1.2, 0}, "top over the span end");
    ExpectNear(p[1], {0, 1.2, 0}, "top over the span start");
    ExpectNear(p[2], {0, 0, 0}, "span start");
    ExpectNear(p[12], {1, 1, 0}, "crown");
    ExpectNear(p[22], {2, 0, 0}, "span end");
}

TEST_F(ArchToolTest, StripModeWithALancetRevertsAndWarns) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_geometry_mode", "polyline");
    Attr("arch_type", "lancet");
    Attr("arch_geometry_mode", "polygon-strip");
    EXPECT_EQ(host.Tools().Attribute("arch_geometry_mode"), "3");
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "gORVA Arch Tool");
    EXPECT_EQ(host.dialogs[0].key, "StripModeNeedsValidArchType");
    EXPECT_EQ(host.dialogs[0].code, 0x84800004u);
    EXPECT_EQ(M().PolygonCount(), 20u);  // still built, as a polyline
}

TEST_F(ArchToolTest, ZeroSpanBecomesAMillimetreAndTheHandlesFollow) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "segmental");
    Attr("arch_span", "0");
    EXPECT_DOUBLE_EQ(Num("arch_span"), 0.001);
    ExpectNear(AttrVec("span_end"), {0.001, 0, 0}, "span end");
    EXPECT_LE(Num("arch_height"), 0.0005 + 1e-12);  // a segmental arch rises at most half its span
}

TEST_F(ArchToolTest, FourSpinsReturnAndOppositeSpinsCancel) {
    Line("tool.set gORVA.Arch on");
    std::vector<Vector3> before;
    for (uint32_t i = 0; i < M().PointCount(); ++i) before.push_back(Point(i));
    Attr("spin_cw", "true");
    EXPECT_EQ(host.Tools().Attribute("spin_cw"), "0");
    ExpectNear(Point(0), {0, -2, 0}, "spun span end");  // a quarter turn about Z
    for (int i = 0; i < 3; ++i) Attr("spin_cw", "true");
    for (uint32_t i = 0; i < before.size(); ++i) ExpectNear(Point(i), before[i], "after four spins");
    Attr("spin_cw", "true");
    Attr("spin_acw", "true");
    for (uint32_t i = 0; i < before.size(); ++i) ExpectNear(Point(i), before[i], "after cw and acw");
}

TEST_F(ArchToolTest, CentreToOriginCentresTheArchAndPinsTheStart) {
    Line("tool.actionCenter 3 0 3");
    Line("tool.axis 2");
    Line("tool.set gORVA.Arch on");
    Attr("arch_centre_to_origin", "true");
    Line("tool.press 9 9 9");
    Line("tool.release");
    Attr("arch_span", "2");
    Attr("arch_height", "1");
    ExpectNear(AttrVec("span_start"), {-1, 0, 0}, "start");
    Line("tool.press part:10002");
    Line("tool.drag 5 5 5");
    Line("tool.release");
    ExpectNear(AttrVec("span_start"), {-1, 0, 0}, "start after a drag");
    Line("tool.doApply");
    ExpectNear(Point(0), {1, 0, 0}, "span end");
    ExpectNear(Point(10), {0, 1, 0}, "crown");
    ExpectNear(Point(20), {-1, 0, 0}, "span start");
}

struct CrownCase {
    int type;
    bool drawn;
};

class ArchCrownHandle : public ArchToolTest, public ::testing::WithParamInterface<CrownCase> {};

TEST_P(ArchCrownHandle, DrawnOnlyForFreeHeightsButLabelledAlways) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", ARCH_TYPE_NAMES[GetParam().type]);
    const ToolDrawing &d = host.Tools().Drawing();
    bool crown = std::any_of(d.handles.begin(), d.handles.end(),
                             [](const DrawnHandle &h) { return h.part == PART_CROWN; });
    EXPECT_EQ(crown, GetParam().drawn);
    EXPECT_EQ(d.handles.size(), GetParam().drawn ? 3u : 2u);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].text.rfind("Height: ", 0), 0u) << d.texts[0].text;
    EXPECT_EQ(d.texts[1].text, "Span: 2 m");
    // Labels sit 25 pixels x 1.5 beyond the crown and the span end (100 pixels per metre).
    Vector3 crownAt = AttrVec("crown");
    EXPECT_NEAR(d.texts[0].pos[1], crownAt.y() + 0.375, 1e-9);
    EXPECT_NEAR(d.texts[1].pos[0], 2.375, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Types, ArchCrownHandle,
                         ::testing::Values(CrownCase{ARCH_SEMI, false}, CrownCase{ARCH_SEGMENTAL, true},
                                           CrownCase{ARCH_EQUILATERAL, false}, CrownCase{ARCH_LANCET, true},
                                           CrownCase{ARCH_OGEE_EQUILATERAL, false},
                                           CrownCase{ARCH_OGEE_SEMI, false},
                                           CrownCase{ARCH_OGEE_SEMI_REVERSE, false},
                                           CrownCase{ARCH_PARABOLIC, true}, CrownCase{ARCH_ELLIPTICAL, true}),
                         [](const auto &p) { return std::string(ARCH_TYPE_NAMES[p.param.type]); });

TEST_F(ArchToolTest, WritesIntoTheMeshItemsOwnSpace) {
    MeshShape shape;
    shape.name = "Moved";
    shape.position = {10, 0, 0};
    ItemData &moved = AddMesh(host, shape);
    host.SetPrimary(&moved);
    host.SetActive(*mesh, false);
    Line("tool.set gORVA.Arch on");
    Line("tool.doApply");
    ASSERT_EQ(moved.mesh->PointCount(), 21u);
    Vector3 end(moved.mesh->Positions()[0].data());
    ExpectNear(end, {-8, 0, 0}, "span end in item space");  // world (2, 0, 0)
}

TEST_F(ArchToolTest, ResetRestoresTheDefaults) {
    Line("tool.set gORVA.Arch on");
    Attr("arch_type", "parabolic");
    Attr("arch_segments", "40");
    Line("tool.reset gORVA.Arch");
    EXPECT_EQ(host.Tools().Attribute("arch_type"), "0");
    EXPECT_EQ(host.Tools().Attribute("arch_segments"), "20");
    EXPECT_EQ(M().PointCount(), 21u);
}

// ---- where the arch lands: on its handles, whatever the work plane, reference system or item

namespace {

Vector3 ToVector(const Vec3 &v) {
    return {v[0], v[1], v[2]};
}

std::string Numbers(const std::array<double, 3> &v) {
    std::ostringstream out;
    out << v[0] << ' ' << v[1] << ' ' << v[2];
    return out.str();
}

constexpr double kDeg = 3.141592653589793 / 180.0;

struct PlacementCase {
    const char *name;
    std::array<double, 3> position, rotationDeg, scale;   // of the item written into
    bool otherLayerFirst;                                 // a transformed active mesh before it
    bool refSystem;                                       // the item written into is the reference
    std::array<double, 3> planeOrigin, planeRotationDeg;  // all zero: no work plane
    int axis;
};

class ArchPlacement : public ArchToolTest, public ::testing::WithParamInterface<PlacementCase> {
protected:
    ItemData &BuildScene(const PlacementCase &c) {
        host.SetActive(*mesh, false);
        if (c.otherLayerFirst) {
            MeshShape first;
            first.name = "First";
            first.position = {3, 1, -2};
            first.rotation = {0.3, 0.2, 0.1};
            AddMesh(host, first);
        }
        MeshShape shape;
        shape.name = "Target";
        shape.position = c.position;
        for (int i = 0; i < 3; ++i) shape.rotation[i] = c.rotationDeg[i] * kDeg;
        shape.scale = c.scale;
        ItemData &target = AddMesh(host, shape);
        host.SetPrimary(&target);
        if (c.refSystem) host.refSystem = target.ident;
        Line("tool.axis " + std::to_string(c.axis));
        Line("tool.actionCenter 1 0.5 -1");
        if (c.planeOrigin != std::array<double, 3>{} || c.planeRotationDeg != std::array<double, 3>{})
            Line("tool.workPlane " + Numbers(c.planeOrigin) + " " + Numbers(c.planeRotationDeg));
        return target;
    }
    Vector3 HandleAt(int part) {
        for (const DrawnHandle &h : host.Tools().Drawing().handles)
            if (h.part == part) return ToVector(h.pos);
        ADD_FAILURE() << "no handle " << part;
        return {};
    }
    Vector3 WorldPoint(ItemData &item, uint32_t i) {
        const auto &p = item.mesh->Positions()[i];
        return ToVector(TransformPoint(item.WorldMatrix(), {p[0], p[1], p[2]}));
    }
    /// The segmental arch of 20 segments: point 0 the span end, 10 the crown, 20 the span start.
    void ExpectOnHandles(ItemData &item, const std::string &when) {
        ASSERT_EQ(item.mesh->PointCount(), 21u) << when;
        const double tol = 2e-4;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(WorldPoint(item, 0).v[i], HandleAt(PART_SPAN_END).v[i], tol) << when << " end " << i;
            EXPECT_NEAR(WorldPoint(item, 10).v[i], HandleAt(PART_CROWN).v[i], tol) << when << " crown " << i;
            EXPECT_NEAR(WorldPoint(item, 20).v[i], HandleAt(PART_SPAN_START).v[i], tol)
                << when << " start " << i;
        }
    }
};

}  // namespace

TEST_P(ArchPlacement, TheArchCoincidesWithItsHandles) {
    const PlacementCase &c = GetParam();
    ItemData &target = BuildScene(c);
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");  // the first press places the arch; button 2 hauls nothing
    Line("tool.release");
    Attr("arch_type", "segmental");
    Attr("arch_span", "2.5");
    Attr("arch_height", "0.8");
    ExpectOnHandles(target, "placed");

    Vector3 end = HandleAt(PART_SPAN_END);
    Line("tool.press part:10001");
    Line("tool.drag " + Numbers({end.x() + 0.7, end.y() + 0.1, end.z() + 0.2}));
    Line("tool.release");
    ExpectOnHandles(target, "after a drag of the span end");
    Vector3 start = HandleAt(PART_SPAN_START);
    Line("tool.press part:10002");
    Line("tool.drag " + Numbers({start.x() - 1, start.y() + 2, start.z() + 0.5}));
    Line("tool.release");
    ExpectOnHandles(target, "after a move of the whole arch");
    Attr("spin_cw", "true");
    ExpectOnHandles(target, "after a spin");
    Line("tool.doApply");
    EXPECT_EQ(target.mesh->PointCount(), 21u);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, ArchPlacement,
    ::testing::Values(
        PlacementCase{"Plain", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, false, false, {}, {}, 1},
        PlacementCase{"MovedItem", {10, 0, 0}, {0, 0, 0}, {1, 1, 1}, false, false, {}, {}, 2},
        PlacementCase{"MovedAndTurnedItem", {10, 0, 0}, {0, 90, 0}, {1, 1, 1}, false, false, {}, {}, 1},
        PlacementCase{
            "RotatedNonUniformlyScaledItem", {1, 2, 3}, {30, 45, 10}, {2, 0.5, 1.5}, false, false, {}, {}, 0},
        PlacementCase{
            "TransformedFirstLayerOtherPrimary", {-4, 0, 2}, {0, 90, 0}, {1, 1, 1}, true, false, {}, {}, 2},
        PlacementCase{"ReferenceSystemOnTheItem", {5, 1, 0}, {0, 30, 0}, {1, 2, 1}, false, true, {}, {}, 2},
        PlacementCase{"ReferenceSystemOnThePrimaryAfterAnotherLayer",
                      {2, 0, 2},
                      {10, 0, 0},
                      {1, 1, 1},
                      true,
                      true,
                      {},
                      {},
                      1},
        PlacementCase{
            "TranslatedWorkPlane", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, false, false, {0, 1.5, 0}, {}, 1},
        PlacementCase{"RotatedWorkPlane", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, false, false, {}, {90, 0, 0}, 1},
        PlacementCase{"TiltedWorkPlaneOverAMovedItem",
                      {-2, 0, 1},
                      {0, 15, 0},
                      {1, 1, 1},
                      false,
                      false,
                      {1, 2, 3},
                      {20, 35, -10},
                      1},
        PlacementCase{"WorkPlaneUnderAReferenceSystem",
                      {3, 0, 0},
                      {0, 45, 0},
                      {1, 1, 1},
                      false,
                      true,
                      {},
                      {90, 0, 0},
                      1},
        PlacementCase{"WorkPlaneOnTheItemsOwnFrame",
                      {1, 2, 0},
                      {0, 30, 0},
                      {1, 1, 1},
                      false,
                      false,
                      {1, 2, 0},
                      {0, 30, 0},
                      1}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(ArchToolTest, OnARotatedWorkPlaneTheArchLiesFlatOnThePlane) {
    Line("tool.workPlane 0 1 0 0 0 40");  // a plane tilted about Z, 1 m up
    Line("tool.actionCenter 0 1 0");
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");
    Line("tool.release");
    Attr("arch_span", "2");
    Line("tool.doApply");
    ASSERT_EQ(M().PointCount(), 21u);
    const Vector3 normal(-std::sin(40 * kDeg), std::cos(40 * kDeg), 0);  // the plane's rotated Y axis
    for (uint32_t i = 0; i < 21; ++i)
        EXPECT_NEAR(qk::math::Dot(Point(i) - Vector3(0, 1, 0), normal), 0.0, kTol) << "point " << i;
    ExpectNear(Point(20), {0, 1, 0}, "span start at the action centre");
    EXPECT_NEAR(qk::math::Distance(Point(0), Point(20)), 2.0, kTol);
}

TEST_F(ArchToolTest, ANewActivationOnAWorkPlaneStartsAtTheActionCentre) {
    Line("tool.workPlane 0 0 0 90 0 0");
    Line("tool.actionCenter 0 0 0");
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");
    Line("tool.release");
    Line("tool.press part:10002");
    Line("tool.drag 4 3 0");  // the whole arch moves away
    Line("tool.release");
    Line("tool.doApply");
    Line("tool.actionCenter 1 -2 0");
    Line("tool.set gORVA.Arch on");
    for (const DrawnHandle &h : host.Tools().Drawing().handles)
        if (h.part == PART_SPAN_START) ExpectNear(ToVector(h.pos), {1, -2, 0}, "default span start");
    ExpectNear(AttrVec("span_start"), {1, -2, 0}, "span start attribute");
}

TEST_F(ArchToolTest, AFirstPressOnTheSpanEndDragsTheSpan) {
    Line("tool.axis 2");
    Line("tool.actionCenter 0 0 0");
    Line("tool.set gORVA.Arch on");  // default arch: span end handle at (2, 0, 0)
    Line("tool.press 2 0 0");        // over the span end: places the arch and takes that handle
    Line("tool.drag 3 0 0");
    Line("tool.release");
    EXPECT_NEAR(Num("arch_span"), 3.0, 1e-9);
    ExpectNear(AttrVec("span_end"), {3, 0, 0}, "span end follows the mouse");
}

TEST_F(ArchToolTest, DraggingTheSpanEndBehindTheStartLeavesAMillimetreAfterIt) {
    Line("tool.axis 2");
    Line("tool.actionCenter 1 0 0");
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");
    Line("tool.release");
    Attr("arch_span", "2");
    Line("tool.press part:10001");
    Line("tool.drag -4 0 0");  // 5 m behind the start at (1, 0, 0)
    Line("tool.release");
    EXPECT_NEAR(Num("arch_span"), 0.001, 1e-12);
    ExpectNear(AttrVec("span_end"), {1.001, 0, 0}, "span end just after the start");
    ExpectNear(AttrVec("span_start"), {1, 0, 0}, "start stays");
}

TEST_F(ArchToolTest, ASpinTurnsTheArchClockwiseAsSeenAlsoFromBehind) {
    for (double eyeZ : {10.0, -10.0}) {
        SCOPED_TRACE(eyeZ);
        Line("tool.axis 2");
        Line("tool.view 3d 100 0 0 " + std::to_string(eyeZ));
        Line("tool.set gORVA.Arch on");
        Line("tool.press part:-1 button:2");
        Line("tool.release");
        Line("tool.drop");
        Line("tool.set gORVA.Arch on");  // the default arch turns to face this view
        Attr("arch_span", "2");
        Vec3 right, up, back;
        host.Tools().view.Axes(right, up, back);
        auto screen = [&](const Vector3 &v) {
            Vec3 w{v.x(), v.y(), v.z()};
            return std::array<double, 2>{Dot(w, right), Dot(w, up)};
        };
        auto span = [&] { return screen(AttrVec("span_end") - AttrVec("span_start")); };
        std::array<double, 2> before = span();
        Attr("spin_cw", "true");
        std::array<double, 2> after = span();
        double turn = before[0] * after[1] - before[1] * after[0];  // sine of the turn as seen, times 4
        EXPECT_NEAR(turn, -4.0, 1e-6) << "a quarter turn clockwise on screen";
        Line("tool.drop");
    }
}

TEST_F(ArchToolTest, HandlesAreDrawnTurnedWithTheArch) {
    Line("tool.set gORVA.Arch on");
    Attr("spin_cw", "true");
    Vector3 span = qk::math::Normalized(AttrVec("span_end") - AttrVec("span_start"));
    for (const DrawnHandle &h : host.Tools().Drawing().handles)
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(h.xfrm[i][0], span.v[i], 1e-12) << "handle " << h.part;
}

TEST_F(ArchToolTest, LabelsKeepTheirColour) {
    Line("tool.set gORVA.Arch on");
    ASSERT_EQ(host.Tools().Drawing().texts.size(), 2u);
    for (const DrawnText &t : host.Tools().Drawing().texts) {
        for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(t.colour[i], 0.99);
        EXPECT_DOUBLE_EQ(t.alpha, 1.0);
    }
}

TEST_F(ArchToolTest, ASpanBeyondWhatAMeshCanHoldWritesNothing) {
    Line("tool.set gORVA.Arch on");
    ASSERT_EQ(M().PointCount(), 21u);
    // Each value fits single precision (1e39 is refused as it is typed); the span's end does not.
    Attr("arch_span", "3.4e38");
    Attr("span_startX", "3.4e38");
    EXPECT_EQ(M().PointCount(), 0u);
    EXPECT_EQ(M().PolygonCount(), 0u);
    bool said = false;
    for (const LogLine &l : host.log)
        said = said || (l.level == 1 && l.text.find("gORVA.Arch: the arch is not written") == 0 &&
                        l.text.find("single precision") != std::string::npos);
    EXPECT_TRUE(said) << "the log says why nothing was written";
    Attr("arch_span", "3");
    EXPECT_EQ(M().PointCount(), 21u);
}

TEST_F(ArchToolTest, UnderEightyCentimetresTheKnockoutTopStaysATenthAboveTheCrown) {
    // A semicircle's crown is at half its span; the top is at least 0.1 m above it.
    Line("tool.set gORVA.Arch on");
    Attr("arch_geometry_mode", "knockout");
    for (const double span : {0.8, 0.6}) {
        Attr("arch_span", std::to_string(span));
        ASSERT_EQ(M().PolygonCount(), 1u);
        std::vector<Vector3> p = PolygonPoints(0);
        const double top = span / 2 + 0.1;
        ExpectNear(p[0], {span, top, 0}, "top over the span end");
        ExpectNear(p[1], {0, top, 0}, "top over the span start");
    }
}

TEST_F(ArchToolTest, ANewerHostVersionDisablesTheTool) {
    host.version = 901;
    CommandResult r = host.RunLine("tool.set gORVA.Arch on");
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(host.Tools().Active());
    EXPECT_EQ(r.message, host.MessageText("gORVA.Arch", "WrongModoVersion", {}));
}
