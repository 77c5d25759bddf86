// What render draws over the scene for the active tool: the conversion of a recorded drawing to
// overlay shapes, and pictures of the Arch tool with its handles and labels.
#include <gtest/gtest.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include <lxhandles.h>

#include "Tool_Arches_032.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_overlay.hpp"
#include "lx_handles.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using namespace gORVA_Tools_Arch;

namespace {

DrawnStroke Stroke(int type, std::vector<Vec3> verts) {
    DrawnStroke s;
    s.type = type;
    s.colour = {0.2, 0.4, 0.6};
    s.alpha = 0.5;
    s.width = 2.0;
    s.verts = std::move(verts);
    return s;
}

struct StrokeCase {
    const char *name;
    int type;
    size_t verts;
    size_t shapes;
    OverlayShape::Kind kind;
    size_t pointsPerShape;
    bool closed;
};

class StrokeConversion : public ::testing::TestWithParam<StrokeCase> {};

}  // namespace

TEST_P(StrokeConversion, GivesTheShapesOfTheStrokeType) {
    const StrokeCase &c = GetParam();
    std::vector<Vec3> verts;
    for (size_t i = 0; i < c.verts; ++i) verts.push_back({double(i), 2.0 * double(i), -1.0});
    ToolDrawing d;
    d.strokes.push_back(Stroke(c.type, verts));
    std::vector<OverlayShape> shapes = ToolOverlay(d);
    ASSERT_EQ(shapes.size(), c.shapes);
    for (size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_EQ(shapes[i].kind, c.kind);
        ASSERT_EQ(shapes[i].points.size(), c.pointsPerShape);
        EXPECT_EQ(shapes[i].points[0], verts[i * c.pointsPerShape]);
        EXPECT_EQ(shapes[i].closed, c.closed);
        EXPECT_EQ(shapes[i].colour, (Rgba{0.2, 0.4, 0.6, 0.5}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, StrokeConversion,
    ::testing::Values(StrokeCase{"points", LXiSTROKE_POINTS, 3, 1, OverlayShape::Points, 3, false},
                      StrokeCase{"lines_odd_tail_dropped", LXiSTROKE_LINES, 5, 2, OverlayShape::Strip, 2,
                                 false},
                      StrokeCase{"strip", LXiSTROKE_LINE_STRIP, 4, 1, OverlayShape::Strip, 4, false},
                      StrokeCase{"loop", LXiSTROKE_LINE_LOOP, 4, 1, OverlayShape::Strip, 4, true},
                      StrokeCase{"circles", LXiSTROKE_CIRCLES, 4, 2, OverlayShape::Circle, 2, false},
                      StrokeCase{"empty", LXiSTROKE_LINE_STRIP, 0, 0, OverlayShape::Strip, 0, false}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(ToolOverlayHandles, EachKindHasItsMarkerAndTheHotOneStandsOut) {
    ToolDrawing d;
    auto add = [&d](DrawnHandle::Kind kind, Vec3 pos, int flags) {
        DrawnHandle h;
        h.kind = kind;
        h.pos = pos;
        h.flags = flags;
        d.handles.push_back(h);
    };
    add(DrawnHandle::General, {1, 0, 0}, 0);
    add(DrawnHandle::General, {2, 0, 0}, LXi_THANDf_HOT);
    add(DrawnHandle::Move, {3, 0, 0}, 0);
    add(DrawnHandle::Axis, {4, 0, 0}, 0);
    d.handles.back().axis = {0, 1, 0};
    d.handles.back().length = 0.5;
    DrawnText label;
    label.text = "Span: 2 m";
    label.justification = LXiTEXT_CENTER;
    label.pos = {5, 5, 5};
    d.texts.push_back(label);

    std::vector<OverlayShape> s = ToolOverlay(d);
    ASSERT_EQ(s.size(), 6u);  // the label, three markers, the axis shaft and its tip marker
    EXPECT_EQ(s[0].kind, OverlayShape::Text);
    EXPECT_EQ(s[0].text, "Span: 2 m");
    EXPECT_EQ(s[0].align, 1);
    s.erase(s.begin());
    EXPECT_TRUE(s[0].square);
    EXPECT_EQ(s[0].colour, handle_style::kColour);
    EXPECT_EQ(s[1].colour, handle_style::kHotColour);
    EXPECT_GT(s[1].width, s[0].width);
    EXPECT_FALSE(s[2].square);
    EXPECT_EQ(s[2].colour, handle_style::kMoveColour);
    EXPECT_EQ(s[3].kind, OverlayShape::Strip);
    EXPECT_EQ(s[4].points[0], (Vec3{4, 0.5, 0}));
}

namespace {

/// The Arch tool in a fresh scene, with pictures read back pixel by pixel.
class ArchOverlayTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        Line("tool.set gORVA.Arch on");
    }
    Vec3 AttrVec(const std::string &prefix) {
        return {AttrNumber(prefix + "X"), AttrNumber(prefix + "Y"), AttrNumber(prefix + "Z")};
    }
    std::vector<OverlayShape> Markers(const std::vector<OverlayShape> &shapes) {
        std::vector<OverlayShape> out;
        std::copy_if(shapes.begin(), shapes.end(), std::back_inserter(out),
                     [](const OverlayShape &s) { return s.kind == OverlayShape::Points; });
        return out;
    }
    std::vector<std::string> Labels(const std::vector<OverlayShape> &shapes) {
        std::vector<std::string> out;
        for (const auto &s : shapes)
            if (s.kind == OverlayShape::Text) out.push_back(s.text);
        return out;
    }
    /// Renders a front view and returns the colour (RGB 0..255) at the pixel where `world` lands.
    std::array<int, 3> PixelAt(const Vec3 &world) {
        // Tests run as separate processes at once: one file per test.
        std::string png = ::testing::TempDir() + "gorva_overlay_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
        Line("render " + png + " view:front width:400 height:300");
        ViewOptions opts;
        opts.view = "front", opts.width = 400, opts.height = 300;
        std::vector<OverlayShape> overlay = ToolOverlay(host.Tools().Drawing());
        Camera cam = Camera::Fit(opts, PictureBounds(host, overlay));
        double x = 0, y = 0, depth = 0;
        EXPECT_TRUE(cam.Project(world, x, y, depth));
        std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t *)> image(
            cairo_image_surface_create_from_png(png.c_str()), cairo_surface_destroy);
        EXPECT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
        cairo_surface_flush(image.get());
        const unsigned char *row =
            cairo_image_surface_get_data(image.get()) + int(y) * cairo_image_surface_get_stride(image.get());
        uint32_t argb = reinterpret_cast<const uint32_t *>(row)[int(x)];
        return {int((argb >> 16) & 0xff), int((argb >> 8) & 0xff), int(argb & 0xff)};
    }
    static void ExpectColour(const std::array<int, 3> &got, const Rgba &want, const std::string &what) {
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[size_t(i)], want[size_t(i)] * 255.0, 3.0) << what << " channel " << i;
    }
};

}  // namespace

TEST_F(ArchOverlayTest, MarkersSitOnTheHandlesAndLabelsCarryTheValues) {
    Line("tool.attr gORVA.Arch arch_type segmental");
    Line("tool.attr gORVA.Arch arch_span 3.5");
    Line("tool.attr gORVA.Arch arch_height 0.8");
    std::vector<OverlayShape> shapes = ToolOverlay(host.Tools().Redraw());
    ASSERT_EQ(shapes.size(), 5u);  // crown, span end, span start; height and span labels
    std::vector<OverlayShape> markers = Markers(shapes);
    ASSERT_EQ(markers.size(), 3u);
    const char *handles[] = {"crown", "span_end", "span_start"};
    for (size_t i = 0; i < 3; ++i) {
        Vec3 at = AttrVec(handles[i]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(markers[i].points[0][size_t(k)], at[size_t(k)], 1e-9) << handles[i];
    }
    EXPECT_TRUE(markers[0].square && markers[1].square);
    EXPECT_FALSE(markers[2].square);  // the span start moves the whole arch: a disc of its own colour
    EXPECT_EQ(markers[2].colour, handle_style::kMoveColour);
    EXPECT_EQ(Labels(shapes), (std::vector<std::string>{"Height: 800 mm", "Span: 3.5 m"}));
}

TEST_F(ArchOverlayTest, RenderDrawsTheHandlesAndLeavesTheToolActive) {
    Line("tool.attr gORVA.Arch arch_type parabolic");
    Vec3 end = AttrVec("span_end"), start = AttrVec("span_start"), crown = AttrVec("crown");
    ExpectColour(PixelAt(end), handle_style::kColour, "span end");
    ExpectColour(PixelAt(start), handle_style::kMoveColour, "span start");
    ExpectColour(PixelAt(crown), handle_style::kColour, "crown");
    EXPECT_EQ(Labels(ToolOverlay(host.Tools().Drawing())).size(), 2u);

    // Rendering only looks: the tool is still active and dropping it takes the arch back.
    EXPECT_TRUE(host.Tools().Active());
    EXPECT_GT(mesh->mesh->PointCount(), 0u);
    Line("tool.drop");
    EXPECT_EQ(mesh->mesh->PointCount(), 0u);
}

TEST_F(ArchOverlayTest, ThePressedHandleIsDrawnHot) {
    Line("tool.axis 2");
    Line("tool.press 9 9 9");  // the first press places the arch, a millimetre wide
    Line("tool.release");
    Line("tool.attr gORVA.Arch arch_span 2");
    Line("tool.press part:" + std::to_string(PART_SPAN_END));
    ExpectColour(PixelAt(AttrVec("span_end")), handle_style::kHotColour, "pressed span end");
    ExpectColour(PixelAt(AttrVec("span_start")), handle_style::kMoveColour, "span start");
    Line("tool.release");  // the tool keeps the last pressed handle hot
    Line("tool.press part:" + std::to_string(PART_SPAN_START));
    Line("tool.release");
    ExpectColour(PixelAt(AttrVec("span_end")), handle_style::kColour, "span end, no longer hot");
    ExpectColour(PixelAt(AttrVec("span_start")), handle_style::kHotColour, "pressed span start");
}

TEST_F(ArchOverlayTest, WithoutAToolNothingIsDrawnOver) {
    Line("tool.doApply");
    EXPECT_TRUE(ToolOverlay(host.Tools().Redraw()).empty());
    Line("render " + ::testing::TempDir() + "gorva_no_tool.png");
}
