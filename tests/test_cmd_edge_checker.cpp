// The edge checker: its direction lookup against a full walk, and runs through the in-memory host.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "CMD_SelectEdgesByAlignment_005.hpp"
#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "tests/test_support.hpp"

namespace {

using namespace gorva::host;
using gORVA_Cmds_SelectEdgesbyAlignment::AllowedDirections;

constexpr const char *kCommand = "gORVA.Cmd.SelectEdgesbyAlignment";
constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

// ---- direction lookup ----

TEST(AllowedDirections, TableFollowsAxesAndMultiples) {
    const struct {
        int axes, multiples;
        size_t count;
    } cases[] = {{0, 0, 432}, {0, 1, 216}, {0, 2, 72}, {1, 2, 24}, {2, 0, 144},
                 {3, 1, 72},  {3, 9, 24},  {4, 2, 0},  {-1, 2, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(AllowedDirections::Build(c.axes, c.multiples).Vectors().size(), c.count)
            << c.axes << "/" << c.multiples;

    // Plane order XY, YZ, XZ; the seventh 15-degree step is a quarter turn.
    const auto all = AllowedDirections::Build(0, 2);
    const auto &v = all.Vectors();
    const double expected[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    const size_t index[] = {0, 6, 24, 30, 48, 54};
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(v[index[i]].v[k], expected[i][k], 1e-15) << index[i];
}

/// Directions at, beside and between the table's vectors, plus random and degenerate ones.
std::vector<std::array<double, 3>> AdversarialDirections(const AllowedDirections &dirs,
                                                         std::mt19937_64 &rng) {
    std::vector<std::array<double, 3>> out;
    const double nudges[] = {0.0, 1e-6, -1e-6, 1e-6 - 1e-12, 1e-6 + 1e-12, 9.9e-7, 1.01e-6, 5e-7};
    std::uniform_int_distribution<int> pick(0, 2);
    for (const auto &a : dirs.Vectors()) {
        for (double d : nudges) {
            for (int k = 0; k < 3; ++k) {
                std::array<double, 3> u{a.v[0], a.v[1], a.v[2]};
                u[k] += d;
                out.push_back(u);
            }
            std::array<double, 3> all{a.v[0] + d, a.v[1] - d, a.v[2] + (pick(rng) ? d : -d)};
            out.push_back(all);
        }
        out.push_back({-a.v[0], -a.v[1], -a.v[2]});
    }
    // Rotations off each plane's grid by amounts around the tolerance, and halfway between steps.
    for (const auto &s : dirs.Series()) {
        for (unsigned k = 0; k <= s.count; ++k) {
            for (double off : {0.0, 1e-6, -1e-6, 1.4e-6, -1.5e-6, 1e-5, 0.5 * s.step, 0.5 * s.step + 1e-9}) {
                const double t = k * s.step + off;
                std::array<double, 3> u{0, 0, 0};
                u[s.cosAxis] = std::cos(t);
                u[s.sinAxis] = std::sin(t);
                for (double n : {0.0, 1e-6, -1e-6, 1.0000001e-6, 3e-7}) {
                    std::array<double, 3> w = u;
                    w[s.normal] = n;
                    out.push_back(w);
                }
            }
        }
    }
    std::normal_distribution<double> g;
    for (int i = 0; i < 20000; ++i) {
        std::array<double, 3> u{g(rng), g(rng), g(rng)};
        if (i % 3 == 0) u[pick(rng)] = 0.0;  // in a principal plane
        const double len = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        if (len > 0)
            for (double &c : u) c /= len;
        out.push_back(u);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const std::array<double, 3> &u : std::vector<std::array<double, 3>>{{0, 0, 0},
                                                                             {nan, 0, 0},
                                                                             {1, nan, 0},
                                                                             {inf, 0, 0},
                                                                             {inf, inf, 0},
                                                                             {0.5, 0, 0},
                                                                             {2, 0, 0},
                                                                             {0.995, 0, 0},
                                                                             {1e-7, 0, 0}})
        out.push_back(u);
    return out;
}

TEST(AllowedDirections, LookupGivesTheSameAnswerAsTheFullWalk) {
    std::mt19937_64 rng(801);
    for (int axes = -1; axes <= 4; ++axes) {
        for (int multiples = 0; multiples <= 2; ++multiples) {
            const auto dirs = AllowedDirections::Build(axes, multiples);
            size_t matches = 0, total = 0;
            for (const auto &u : AdversarialDirections(dirs, rng)) {
                const bool linear = dirs.MatchesAnyLinear(u.data());
                ASSERT_EQ(dirs.MatchesAny(u.data()), linear) << "axes " << axes << " multiples " << multiples
                                                             << " u " << u[0] << " " << u[1] << " " << u[2];
                matches += linear;
                ++total;
            }
            if (!dirs.Empty()) {
                EXPECT_GT(matches, 0u);  // the cases cover both answers
                EXPECT_LT(matches, total);
            }
        }
    }
}

TEST(AllowedDirections, MatchNeedsEveryComponentWithinTolerance) {
    const auto xy = AllowedDirections::Build(1, 2);
    const double on[3] = {std::cos(15 * kDeg), std::sin(15 * kDeg), 0.0};
    const double off[3] = {std::cos(15.001 * kDeg), std::sin(15.001 * kDeg), 0.0};
    const double lifted[3] = {1.0, 0.0, 1.1e-6};
    const double barely[3] = {1.0, 0.0, 0.9e-6};
    EXPECT_TRUE(xy.MatchesAny(on));
    EXPECT_FALSE(xy.MatchesAny(off));
    EXPECT_FALSE(xy.MatchesAny(lifted));
    EXPECT_TRUE(xy.MatchesAny(barely));
}

// ---- command through the host ----

class EdgeCheckerTest : public CommandTest {
protected:
    EdgeCheckerTest() : CommandTest(kCommand) {}

    void Settings(int axes, int multiples, double minLength = 0.0) {
        SetValue("gORVA_01_EdgeChecker_Axes", std::to_string(axes));
        SetValue("gORVA_01_EdgeChecker_AngleMultiples", std::to_string(multiples));
        SetValue("gORVA_01_EdgeChecker_MinEdgeLength", std::to_string(minLength));
    }

    /// A triangle whose edge 0-1 runs along `d` from the origin; edge selection mode.
    ItemData &Probe(const std::array<float, 3> &d) {
        MeshShape shape;
        shape.points = {{0, 0, 0}, d, {-0.37f, -0.21f, -0.13f}};
        shape.polygons = {{{0, 1, 2}, "", ""}};
        ItemData &mesh = AddMesh(host, shape);
        SelectEdges(host, mesh, {{1, 2}});
        return mesh;
    }

    bool IsSelected(const ItemData &mesh, uint32_t a, uint32_t b) {
        return SelectedEdges(mesh).count({std::min(a, b), std::max(a, b)}) > 0;
    }
};

std::array<float, 3> Dir(double x, double y, double z) {
    return {float(x), float(y), float(z)};
}
std::array<float, 3> InXY(double degrees) {
    return Dir(std::cos(degrees * kDeg), std::sin(degrees * kDeg), 0);
}

TEST_F(EdgeCheckerTest, EdgesOffTheGridAreSelected) {
    const struct {
        int axes, multiples;
        std::array<float, 3> d;
        bool selected;
        const char *what;
    } cases[] = {
        {1, 2, Dir(1, 1, 0), false, "45 degrees is a multiple of 15"},
        {1, 2, Dir(1, 0.5, 0), true, "26.6 degrees"},
        {1, 2, Dir(-1, -1, 0), false, "reversed 45 degrees"},
        {1, 2, Dir(-2, -1, 0), true, "reversed 26.6 degrees"},
        {1, 2, Dir(1, 0, 0.5), true, "leaves the XY plane"},
        {1, 2, Dir(0, 0, 1), true, "along Z"},
        {0, 2, Dir(0, 1, 1), false, "45 degrees in YZ"},
        {0, 2, Dir(1, 0, -1), false, "-45 degrees in XZ"},
        {0, 2, Dir(1, 1, 1), true, "in no principal plane"},
        {2, 2, Dir(1, 1, 0), true, "XY edge against YZ only"},
        {2, 2, Dir(0, -1, 1), false, "135 degrees in YZ"},
        {3, 2, Dir(1, 0, 1), false, "45 degrees in XZ"},
        {3, 2, Dir(0, 1, 1), true, "YZ edge against XZ only"},
        {0, 0, InXY(2.5), false, "2.5 degrees, fine steps"},
        {0, 0, InXY(3.0), true, "3 degrees, fine steps"},
        {0, 1, InXY(2.5), true, "2.5 degrees, 5-degree steps"},
        {1, 2, InXY(15.0), false, "15 degrees"},
        {1, 2, InXY(15.001), true, "0.001 degrees off 15"},
        {1, 2, InXY(-75.0), false, "-75 degrees"},
    };
    for (const auto &c : cases) {
        host.NewScene();
        Settings(c.axes, c.multiples);
        ItemData &mesh = Probe(c.d);
        ASSERT_TRUE(host.Run(kCommand, {}).ok()) << c.what;
        EXPECT_EQ(IsSelected(mesh, 0, 1), c.selected) << c.what;
    }
}

TEST_F(EdgeCheckerTest, ShortEdgesAreIgnored) {
    const struct {
        double minLength;
        std::array<float, 3> d;
        bool selected;
    } cases[] = {
        {0.1, Dir(0.03, 0.04, 0), false},    // 0.05 long
        {0.625, Dir(0.375, 0.5, 0), true},   // exactly the minimum: tested, and off the grid
        {0.626, Dir(0.375, 0.5, 0), false},  // just short
        {0.0, Dir(0.0, 4e-7, 0), false},     // degenerate
    };
    for (const auto &c : cases) {
        host.NewScene();
        Settings(1, 2, c.minLength);
        ItemData &mesh = Probe(c.d);
        ASSERT_TRUE(host.Run(kCommand, {}).ok());
        EXPECT_EQ(IsSelected(mesh, 0, 1), c.selected) << c.minLength;
    }
}

TEST_F(EdgeCheckerTest, AlignedMeshLeavesTheEdgeSelectionEmpty) {
    Settings(0, 2);
    ItemData &mesh = AddMesh(host, GridShape(3, 3));
    SelectEdges(host, mesh, {{0, 1}});
    ASSERT_TRUE(host.Run(kCommand, {}).ok());
    EXPECT_EQ(host.selection.Count(kSelEdge), 0u);
    EXPECT_TRUE(host.monitors.empty());
}

/// The shipped configuration with the axes user value widened to 0..9, as a script-facing setup might.
std::string WideAxesConfigDir() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "gorva_edge_checker_cfg";
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto &entry : fs::directory_iterator(GORVA_CONFIG_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t at = text.find("key=\"gORVA_01_EdgeChecker_Axes\"");
        if (at != std::string::npos) {
            const std::string max = "<atom type=\"Max\">3</atom>";
            const size_t m = text.find(max, at);
            if (m != std::string::npos) text.replace(m, max.size(), "<atom type=\"Max\">9</atom>");
            const size_t list = text.find("</list>", at);
            if (list != std::string::npos) {
                std::string extra;
                for (int i = 4; i <= 9; ++i) extra += "<atom type=\"Entry\">" + std::to_string(i) + "</atom>";
                text.insert(list, extra);
            }
        }
        std::ofstream(dir / entry.path().filename(), std::ios::binary) << text;
    }
    return dir.string();
}

TEST(EdgeCheckerAxes, UnknownAxesClearTheEdgeSelection) {
    Host host(WideAxesConfigDir());
    host.AttachModule(InProcessModule());
    std::string error;
    ASSERT_TRUE(host.SetUserValue("gORVA_01_EdgeChecker_Axes", "5", error)) << error;

    MeshShape shape;
    shape.points = {{0, 0, 0}, {1, 0.5f, 0}, {-0.37f, -0.21f, -0.13f}};
    shape.polygons = {{{0, 1, 2}, "", ""}};
    ItemData &mesh = AddMesh(host, shape);
    SelectEdges(host, mesh, {{1, 2}});
    ASSERT_TRUE(host.Run(kCommand, {}).ok());
    EXPECT_EQ(host.selection.Count(kSelEdge), 0u);

    ASSERT_TRUE(host.SetUserValue("gORVA_01_EdgeChecker_Axes", "1", error)) << error;
    ASSERT_TRUE(host.Run(kCommand, {}).ok());
    EXPECT_GT(host.selection.Count(kSelEdge), 0u);  // the same edges are off the XY grid
}

TEST_F(EdgeCheckerTest, DisabledStatesCarryTheLastFailingKey) {
    ItemData &mesh = AddMesh(host, GridShape(2, 2));
    SelectPoints(host, mesh, {0});
    CommandResult r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("WrongSelectionType"));

    host.selection.SetCurrent(kSelEdge);
    EXPECT_TRUE(host.TestEnable(kCommand, {}).ok());

    host.NewScene();
    MeshShape pointsOnly;
    pointsOnly.points = {{0, 0, 0}, {1, 0, 0}};
    AddMesh(host, pointsOnly);
    host.selection.SetCurrent(kSelEdge);
    r = host.TestEnable(kCommand, {});
    EXPECT_EQ(r.message, Text("NoItemsorItemsHaveNoGeometry"));

    host.selection.SetCurrent(kSelPolygon);  // both fail: the geometry check comes last
    r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("NoItemsorItemsHaveNoGeometry"));

    host.version = 700;
    r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("WrongModoVersion"));
}

TEST_F(EdgeCheckerTest, AbortSkipsTheRestOfThatLayerOnly) {
    // Axes XY: every edge along Z is off the grid; a 10 x 10 grid has 110 of them.
    Settings(1, 2);
    ItemData &a = AddMesh(host, GridShape(10, 10));
    AddMesh(host, GridShape(10, 10, 0.0f, 20.0f));
    SelectEdges(host, a, {{0, 1}});
    host.abortAtStep = 3;  // 220 edges: 50 steps of 220 / 50 = 4, so the abort comes at the 12th
    ASSERT_TRUE(host.Run(kCommand, {}).ok());
    unsigned inA = 0, inB = 0;
    for (const EdgePacket &e : host.selection.EdgeList()) (e.mesh == a.mesh.get() ? inA : inB)++;
    EXPECT_EQ(inA, 12u);
    EXPECT_EQ(inB, 110u);
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_TRUE(host.monitors[0].aborted);
    EXPECT_LE(host.monitors[0].steps, 50u);
}

TEST_F(EdgeCheckerTest, AMillionQuadsSelectEveryEdgeAlongZ) {
    Settings(1, 2);
    ItemData &mesh = AddMesh(host, GridShape(1000, 1000));
    SelectEdges(host, mesh, {{0, 1}});
    ASSERT_TRUE(host.Run(kCommand, {}).ok());
    EXPECT_EQ(host.selection.Count(kSelEdge), 1001000u);
    const auto &positions = mesh.mesh->Positions();
    size_t alongX = 0;
    for (const EdgePacket &e : host.selection.EdgeList()) alongX += positions[e.a][0] != positions[e.b][0];
    EXPECT_EQ(alongX, 0u);
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_LE(host.monitors[0].steps, 50u);
}

}  // namespace
