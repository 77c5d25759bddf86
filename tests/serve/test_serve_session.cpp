// The browser viewport's requests: who may ask, what a page may run, files kept in the served folder,
// failures that change nothing, and undo by snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/serve/serve_session.hpp"
#include "host/model/vec3.hpp"
#include "host/scripting/scene_dump.hpp"
#include "tests/serve/scene_answer.hpp"
#include "tests/support/shapes.hpp"
#include "tests/test_support.hpp"

namespace fs = std::filesystem;
using namespace gorva::host;
using namespace gorva::host::page_test;
using Json = nlohmann::json;

namespace {

constexpr int kPort = 8765;

class ServeSessionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        folder = fs::temp_directory_path() / ("gorva-serve-" + MakeServeToken());
        fs::create_directories(folder / "sub");
        std::ofstream(folder / "quad.obj") << "o Floor\nv 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n";
        session = std::make_unique<ServeSession>(host, folder.string(), GORVA_WEB_DIR, "t0k3n", kPort);
    }
    void TearDown() override { fs::remove_all(folder); }

    ServeRequest Get(const std::string &path) const {
        return {"GET", path, {{"host", "127.0.0.1:" + std::to_string(kPort)}}, ""};
    }
    ServeRequest Post(const std::string &call, const Json &body) const {
        ServeRequest r = Get("/t0k3n/api/" + call);
        r.method = "POST";
        r.headers["content-type"] = "application/json";
        r.headers["origin"] = "http://127.0.0.1:" + std::to_string(kPort);
        r.body = body.dump();
        return r;
    }
    Json Call(const std::string &call, const Json &body, int status = 200) {
        ServeResponse r = session->Handle(Post(call, body));
        EXPECT_EQ(r.status, status) << call << " " << body.dump() << ": " << r.body;
        return Json::parse(r.body, nullptr, false);
    }
    size_t ItemCount() const { return host.scene.Items().size(); }

    fs::path folder;
    std::unique_ptr<ServeSession> session;
};

TEST_F(ServeSessionTest, OnlyRequestsWithTheTokenFromOurOwnAddressAreServed) {
    struct Case {
        const char *what;
        std::string path, header, value;
        int status;
    } cases[] = {
        {"the printed address", "/t0k3n/api/state", "", "", 200},
        {"the token as a header", "/api/state", "x-gorva-token", "t0k3n", 200},
        {"no token", "/api/state", "", "", 403},
        {"a wrong token", "/t0k3n0/api/state", "", "", 403},
        {"a token that only starts alike", "/t0k3/api/state", "", "", 403},
        {"another site's name for us", "/t0k3n/api/state", "host", "evil.example:8765", 403},
        {"another site's page", "/t0k3n/api/state", "origin", "http://evil.example", 403},
        {"a cross-site fetch", "/t0k3n/api/state", "sec-fetch-site", "cross-site", 403},
    };
    for (const Case &c : cases) {
        ServeRequest r = Get(c.path);
        if (!c.header.empty()) r.headers[c.header] = c.value;
        EXPECT_EQ(session->Handle(r).status, c.status) << c.what;
    }
}

TEST_F(ServeSessionTest, RefusedRequestsChangeNothing) {
    ASSERT_TRUE(Call("open", {{"name", "quad.obj"}}).value("ok", false));
    const size_t items = ItemCount();
    ServeRequest plain = Post("run", {{"line", "select.element 0 polygon set 0"}});
    plain.headers["content-type"] = "text/plain";  // what a form on another site can send
    EXPECT_EQ(session->Handle(plain).status, 415);
    ServeRequest broken = Post("run", {});
    broken.body = "{\"line\": ";
    EXPECT_EQ(session->Handle(broken).status, 400);
    ServeRequest large = Post("run", {{"line", std::string(kMaxRequestBytes + 1, 'a')}});
    EXPECT_EQ(session->Handle(large).status, 413);
    const char *refusedLines[] = {"scene.saveAs /tmp/x.obj", "scene.open /etc/passwd",
                                  "render /tmp/x.png",       "scene.new",
                                  "host.abortAt 1",          "\"unbalanced"};
    for (const char *line : refusedLines) {
        ServeResponse r = session->Handle(Post("run", {{"line", line}}));
        EXPECT_TRUE(r.status == 403 || r.status == 400) << line << ": " << r.status;
    }
    EXPECT_EQ(session->Handle(Post("run", {{"line", "select.element 0 polygon set 7"}})).status, 422);
    EXPECT_EQ(session->Handle(Post("open", {{"name", "missing.obj"}})).status, 422);
    EXPECT_EQ(ItemCount(), items);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 0u);
}

TEST_F(ServeSessionTest, FileNamesStayInTheServedFolder) {
    fs::create_symlink("/etc", folder / "out");
    const char *refused[] = {"../quad.obj", "/etc/passwd", "sub/../../x.obj", "out/passwd", "", "a\nb.obj"};
    for (const char *name : refused) {
        std::string resolved, error;
        EXPECT_FALSE(ConfinedPath(folder.string(), name, resolved, error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    for (const char *name : {"quad.obj", "sub/new.glb"}) {
        std::string resolved, error;
        EXPECT_TRUE(ConfinedPath(folder.string(), name, resolved, error)) << name << ": " << error;
        EXPECT_EQ(resolved.find(fs::canonical(folder).string() + "/"), 0u) << name << ": " << resolved;
    }
    EXPECT_EQ(session->Handle(Post("save", {{"name", "../escaped.obj"}})).status, 403);
    EXPECT_FALSE(fs::exists(folder.parent_path() / "escaped.obj"));
    EXPECT_EQ(session->Handle(Get("/t0k3n/lib/../../package.json")).status, 404);
}

TEST_F(ServeSessionTest, SavedSceneOpensAgainWithItsPolygons) {
    ASSERT_TRUE(Call("open", {{"name", "quad.obj"}}).value("ok", false));
    ASSERT_TRUE(Call("save", {{"name", "sub/copy.glb"}}).value("ok", false));
    ASSERT_TRUE(Call("open", {{"name", "sub/copy.glb"}}).value("ok", false));
    ASSERT_EQ(host.ActiveLayers().size(), 1u);
    EXPECT_EQ(host.ActiveLayers()[0]->mesh->PolygonCount(), 1u);
}

TEST_F(ServeSessionTest, UndoAndRedoStepThroughCommittedChanges) {
    ASSERT_TRUE(Call("open", {{"name", "quad.obj"}}).value("ok", false));
    const size_t items = ItemCount();
    Call("run", {{"line", "select.typeFrom polygon"}});
    Call("run", {{"line", "select.element 0 polygon set 0"}});
    Json added = Call("run", {{"line", "gORVA.Cmd.AddLightAtPolyPos"}});
    ASSERT_TRUE(added.value("ok", false)) << added.dump();
    ASSERT_GT(ItemCount(), items);
    const size_t withLight = ItemCount();
    EXPECT_TRUE(Call("undo", Json::object()).value("ok", false));
    EXPECT_EQ(ItemCount(), items);
    EXPECT_TRUE(Call("redo", Json::object()).value("ok", false));
    EXPECT_EQ(ItemCount(), withLight);
    Call("redo", Json::object(), 409);
}

TEST_F(ServeSessionTest, UndoAndRedoGiveBackEveryStepExactly) {
    auto scene = [&] {
        Json dump = DumpScene(host);
        return Json{
            {"items", dump["items"]}, {"meshes", dump["meshes"]}, {"active", host.ActiveLayers().size()}};
    };
    std::vector<Json> steps{scene()};
    ASSERT_TRUE(Call("open", {{"name", "quad.obj"}}).value("ok", false));
    steps.push_back(scene());
    auto arch = [&](const char *to) {
        const std::string lines[] = {"tool.set gORVA.Arch on", "tool.press 0.5 0 0.5",
                                     std::string("tool.drag ") + to, "tool.release", "tool.doApply"};
        for (const std::string &line : lines)
            ASSERT_TRUE(Call("run", {{"line", line}}).value("ok", false)) << line;
        steps.push_back(scene());
    };
    Call("run", {{"line", "select.typeFrom polygon"}});  // selection alone is no step
    arch("2.5 0 0.5");
    Call("run", {{"line", "select.element 0 polygon set 0"}});
    ASSERT_TRUE(Call("run", {{"line", "gORVA.Cmd.AddLightAtPolyPos"}}).value("ok", false));
    steps.push_back(scene());
    arch("0.5 0 3");
    for (size_t i = 1; i < steps.size(); ++i)
        ASSERT_NE(steps[i], steps[i - 1]) << "step " << i << " changed nothing";

    for (size_t i = steps.size() - 1; i-- > 0;) {
        ASSERT_TRUE(Call("undo", Json::object()).value("ok", false));
        EXPECT_EQ(scene(), steps[i]) << "undone to step " << i;
    }
    Call("undo", Json::object(), 409);
    for (size_t i = 1; i < steps.size(); ++i) {
        ASSERT_TRUE(Call("redo", Json::object()).value("ok", false));
        EXPECT_EQ(scene(), steps[i]) << "redone to step " << i;
    }
    Call("redo", Json::object(), 409);
}

TEST(SceneSnapshot, TagAndUvChangesAreSteps) {
    Host host;
    ItemData &item = AddMesh(host, GridShape(2, 2));
    const SceneSnapshot before = SceneSnapshot::Capture(host, nullptr);
    item.mesh->SetTag(0, LXi_PTAG_MATR, "Brick");
    const float uv[2] = {0.25f, 0.75f};
    item.mesh->SetMapValue(0, 1, uv);
    EXPECT_FALSE(before.Matches(host));
    const SceneSnapshot after = SceneSnapshot::Capture(host, &before);
    EXPECT_TRUE(after.Matches(host));
    const Json changed = DumpScene(host)["meshes"];
    before.Restore(host);
    EXPECT_EQ(host.scene.Items()[0]->mesh->Tag(0, LXi_PTAG_MATR), nullptr);
    EXPECT_TRUE(before.Matches(host));
    after.Restore(host);
    EXPECT_EQ(DumpScene(host)["meshes"], changed);
}

TEST_F(ServeSessionTest, StateDescribesToolsAndCommandsForTheirPanels) {
    ASSERT_TRUE(Call("open", {{"name", "quad.obj"}}).value("ok", false));
    Call("run", {{"line", "select.typeFrom polygon"}});
    Json state = Call("run", {{"line", "tool.set gORVA.Arch on"}});
    ASSERT_TRUE(state["tool"].is_object()) << state.dump();
    const Json &attrs = state["tool"]["attributes"];
    ASSERT_FALSE(attrs.empty());
    bool popupWithLabels = false;
    for (const Json &a : attrs) {
        EXPECT_FALSE(a["label"].get<std::string>().empty());
        if (a["name"] == "arch_type")
            popupWithLabels = !a["choices"].empty() && a["choices"][0]["label"] == "Semicircular";
    }
    EXPECT_TRUE(popupWithLabels);
    EXPECT_EQ(state["tools"].size(), 6u);
    EXPECT_TRUE(state["commands"].empty()) << "the forms come with the first state only";
    Json first = Json::parse(session->Handle(Get("/t0k3n/api/state")).body);
    EXPECT_EQ(first["commands"].size(), 4u);
    for (const Json &c : first["commands"]) {
        if (c["name"] == "gORVA.Cmd.SelectbyHeight") {
            EXPECT_EQ(c["userValues"].size(), 3u);
        }
    }
}

TEST_F(ServeSessionTest, PageGetsTheSceneItWasToldOfOrHearsOfANewerOne) {
    const unsigned loaded = Json::parse(session->Handle(Get("/t0k3n/api/state")).body)["sceneVersion"];
    EXPECT_EQ(session->Handle(Get("/t0k3n/api/scene/" + std::to_string(loaded) + ".bin")).status, 200);
    Json opened = Call("open", {{"name", "quad.obj"}});
    ASSERT_GT(opened["sceneVersion"].get<unsigned>(), loaded);
    EXPECT_EQ(session->Handle(Get("/t0k3n/api/scene/" + std::to_string(loaded) + ".bin")).status, 409)
        << "an update counted from the newer scene would not fit the older one";
    ServeResponse now = session->Handle(Get("/t0k3n/api/scene/" + opened["sceneVersion"].dump() + ".bin"));
    EXPECT_EQ(now.status, 200);
    EXPECT_EQ(now.body.compare(0, 4, "GVSC"), 0);
}

TEST_F(ServeSessionTest, StateGivesTheWorkPlaneTheGridLiesOn) {
    struct Case {
        const char *line;
        std::array<double, 3> origin, normal;
    } cases[] = {
        {"tool.workPlane 1 2 3", {1, 2, 3}, {0, 1, 0}},
        {"tool.workPlane 0 0.5 0 90 0 0", {0, 0.5, 0}, {0, 0, 1}},
        {"tool.workPlane reset", {0, 0, 0}, {0, 1, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        Json state = Call("run", {{"line", c.line}});
        const Json &plane = state["workPlane"];
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(plane["origin"][i].get<double>(), c.origin[i], 1e-9);
            EXPECT_NEAR(std::fabs(plane["axes"][1][i].get<double>()), std::fabs(c.normal[i]), 1e-9);
        }
    }
}

TEST_F(ServeSessionTest, SceneAnswerShowsAddedLightsWhereTheyStandAndShine) {
    // An upright quad 1.2 m wide and 0.8 m high, centred at (2, 1, 3), turned 45 degrees about Y.
    const Vec3 centre{2, 1, 3}, right{std::sqrt(0.5), 0, -std::sqrt(0.5)}, up{0, 1, 0};
    std::vector<Vec3> corners;
    std::ofstream obj(folder / "wall.obj");
    obj.precision(12);
    obj << "o Wall\n";
    for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
        corners.push_back(Add(centre, Add(Scale(right, 0.6 * x), Scale(up, 0.4 * y))));
        obj << "v " << corners.back()[0] << ' ' << corners.back()[1] << ' ' << corners.back()[2] << '\n';
    }
    obj << "f 1 2 3 4\n";
    obj.close();
    ASSERT_TRUE(Call("open", {{"name", "wall.obj"}}).value("ok", false));
    const Vec3 normal = host.ActiveLayers()[0]->mesh->PolygonNormal(0);
    ASSERT_NEAR(Length(Sub(Cross(right, up), normal)), 0.0, 1e-6);
    Call("run", {{"line", "select.typeFrom polygon"}});
    Call("run", {{"line", "select.element 0 polygon set 0"}});

    struct Case {
        const char *arguments, *type;
        double shines;  // along the polygon's normal (1) or against it (-1)
        bool sized;
    } cases[] = {
        {"", "areaLight", 1, true},
        {" light_type:4 flip_facing:1", "spotLight", -1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        Json ran = Call("run", {{"line", std::string("gORVA.Cmd.AddLightAtPolyPos") + c.arguments}});
        ASSERT_TRUE(ran.value("ok", false)) << ran.dump();
        ServeResponse r = session->Handle(Get("/t0k3n/api/scene/" + ran["sceneVersion"].dump() + ".bin"));
        ASSERT_EQ(r.status, 200);
        const SceneAnswer answer = ReadSceneAnswer(r.body);
        ASSERT_FALSE(answer.lights.empty());
        const SceneAnswerLight &light = answer.lights.back();
        const ItemData *item = host.scene.FindByIdent(light.ident);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(light.type, c.type);
        EXPECT_EQ(light.name, item->name);
        EXPECT_EQ(answer.items.size(), 1u) << "lights are no mesh items";

        auto row = [&](int i) {
            return Vec3{light.matrix[4 * i], light.matrix[4 * i + 1], light.matrix[4 * i + 2]};
        };
        auto at = [&](double x, double y) { return Add(row(3), Add(Scale(row(0), x), Scale(row(1), y))); };
        EXPECT_LT(Length(Sub(row(3), centre)), 1e-5) << "the light stands at the polygon's centre";
        // Lights shine down their -Z axis.
        EXPECT_LT(Length(Sub(Normalize(Scale(row(2), -1), {}), Scale(normal, c.shines))), 1e-5);
        if (c.sized) {
            for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
                const Vec3 corner = at(x * light.width / 2, y * light.height / 2);
                double nearest = 1e9;
                for (const Vec3 &q : corners) nearest = std::min(nearest, Length(Sub(corner, q)));
                EXPECT_LT(nearest, 1e-5) << "the drawn rectangle covers the polygon";
            }
        } else {
            EXPECT_EQ(light.width, 0.0f);
            EXPECT_NEAR(light.cone, item->Channel("cone"), 1e-6);
            EXPECT_GT(light.cone, 0.0f);
        }
    }
}

}  // namespace
