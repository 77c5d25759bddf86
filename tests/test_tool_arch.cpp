// The Arch tool driven by command lines as a script would: activation, placement, handle drags,
// attribute changes and apply, checked against the curve generator and hand-computed points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Tool_Arches_032.hpp"
#include "host/builders.hpp"
#include "host/tool_host.hpp"
#include "lx_mesh.hpp"
#include "lx_module.hpp"
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
    CgORVA_ArchTool &Arch() {
        auto *server = static_cast<CLxServerObject *>(host.Tools().ActiveObject());
        return *static_cast<CgORVA_ArchTool *>(server->Object());
    }
    MeshData &M() { return *mesh->mesh; }
    Vector3 Point(uint32_t i) { return Vector3(M().positions[i].data()); }
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
    EXPECT_EQ(Arch().SpinQuadrant(), 1);
    EXPECT_EQ(host.Tools().Attribute("spin_cw"), "0");
    ExpectNear(Point(0), {0, -2, 0}, "spun span end");  // a quarter turn about Z
    for (int i = 0; i < 3; ++i) Attr("spin_cw", "true");
    EXPECT_EQ(Arch().SpinQuadrant(), 0);
    for (uint32_t i = 0; i < before.size(); ++i) ExpectNear(Point(i), before[i], "after four spins");
    Attr("spin_cw", "true");
    Attr("spin_acw", "true");
    EXPECT_EQ(Arch().SpinQuadrant(), 0);
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
    MeshSpec shape;
    shape.name = "Moved";
    shape.position = {10, 0, 0};
    ItemData &moved = AddMesh(host, shape);
    host.SetPrimary(&moved);
    host.SetActive(*mesh, false);
    Line("tool.set gORVA.Arch on");
    Line("tool.doApply");
    ASSERT_EQ(moved.mesh->PointCount(), 21u);
    Vector3 end(moved.mesh->positions[0].data());
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

TEST_F(ArchToolTest, RotatedWorkPlaneSwitchesToTheReferenceFrame) {
    Line("tool.set gORVA.Arch on");
    EXPECT_FALSE(Arch().ReferenceFrameMode());
    Line("tool.drop");
    Line("tool.workPlane 0 0 0 90 0 0");
    Line("tool.set gORVA.Arch on");
    EXPECT_TRUE(Arch().ReferenceFrameMode());
    Line("tool.press 9 9 9");
    Line("tool.release");
    Attr("arch_span", "2");
    Line("tool.doApply");
    EXPECT_EQ(M().PointCount(), 21u);
    EXPECT_EQ(M().PolygonCount(), 1u);
}

TEST_F(ArchToolTest, ReferenceSystemOnThePrimaryItemWritesInItsSpace) {
    MeshSpec shape;
    shape.name = "Moved";
    shape.position = {10, 0, 0};
    ItemData &moved = AddMesh(host, shape);
    host.SetActive(*mesh, false);
    host.refSystem = moved.ident;  // the tool works in the item's own space
    Line("tool.set gORVA.Arch on");
    EXPECT_FALSE(Arch().ReferenceFrameMode());
    Line("tool.doApply");
    ASSERT_EQ(moved.mesh->PointCount(), 21u);
    ExpectNear(Vector3(moved.mesh->positions[0].data()), {2, 0, 0}, "span end in item space");
}
