// The host's lower layers on their own: files and pictures work on a document that is only the
// model, and every polygon normal the host uses comes from one rule.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/io/obj_io.hpp"
#include "host/io/scene_files.hpp"
#include "host/model/document.hpp"
#include "host/model/journal.hpp"
#include "host/pictures/render.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

namespace {

/// A document with nothing of the plug-in host behind it: the model's scene, selection and layers.
class ModelDocument final : public Document {
public:
    Scene &Content() override { return m_scene; }
    const Scene &Content() const override { return m_scene; }
    Selection &Selected() override { return m_selection; }
    bool IsActive(const ItemData &item) const override {
        for (const ItemData *layer : m_active)
            if (layer == &item) return true;
        return false;
    }
    void SetActive(ItemData &item, bool active) override {
        if (active && item.mesh && !IsActive(item)) m_active.push_back(&item);
    }
    void SetPrimary(ItemData *item) override { m_primary = item; }
    void NewScene() override {
        m_selection.ClearAll();
        m_active.clear();
        m_primary = nullptr;
        m_scene.Clear();
    }
    std::string Preference(const std::string &) const override { return {}; }
    void Note(unsigned level, const std::string &text) override { notes.push_back({level, text}); }

    ItemData *primary() const { return m_primary; }
    const std::vector<ItemData *> &active() const { return m_active; }
    std::vector<std::pair<unsigned, std::string>> notes;

private:
    Journal m_journal;
    Scene m_scene{m_journal};
    Selection m_selection;
    std::vector<ItemData *> m_active;
    ItemData *m_primary = nullptr;
};

std::string TempPath(const std::string &name) {
    return ::testing::TempDir() + "gorva_layers_" + name;
}

std::string ObjText(const Scene &scene) {
    std::ostringstream out;
    WriteObj(scene, out);
    return out.str();
}

const char *const kTwoObjects =
    "o Floor\nv 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n"
    "o Post\nv 0 0 0\nv 0 2 0\nl 5 6\n";

}  // namespace

TEST(FilesReadTheModelOnly, AnObjOpensIntoAPlainDocumentAndSavesAsRead) {
    const std::string path = TempPath("two.obj");
    std::ofstream(path, std::ios::binary) << kTwoObjects;
    ModelDocument doc;
    std::string error;
    ASSERT_TRUE(OpenSceneFile(doc, path, error)) << error;
    ASSERT_EQ(doc.Content().Items().size(), 2u);
    EXPECT_EQ(doc.active().size(), 2u);
    EXPECT_EQ(doc.primary(), doc.Content().Items()[0].get());

    for (const char *copy : {"copy.obj", "copy.glb"}) {
        SCOPED_TRACE(copy);
        ASSERT_TRUE(SaveSceneFile(doc, TempPath(copy), error)) << error;
        ModelDocument again;
        ASSERT_TRUE(OpenSceneFile(again, TempPath(copy), error)) << error;
        EXPECT_EQ(ObjText(again.Content()), ObjText(doc.Content()));
    }
}

TEST(FilesReadTheModelOnly, AFileThatIsRefusedLeavesThePlainDocumentAsItWas) {
    const std::string path = TempPath("bad.obj");
    std::ofstream(path, std::ios::binary) << "o Bad\nv 0 0 0\nf 1 1 2\n";
    std::ofstream(TempPath("good.obj"), std::ios::binary) << kTwoObjects;
    ModelDocument doc;
    std::string error;
    ASSERT_TRUE(OpenSceneFile(doc, TempPath("good.obj"), error)) << error;
    const std::string before = ObjText(doc.Content());
    EXPECT_FALSE(OpenSceneFile(doc, path, error));
    EXPECT_NE(error.find("bad.obj"), std::string::npos) << error;
    EXPECT_EQ(ObjText(doc.Content()), before);
}

TEST(PicturesReadTheModelOnly, APlainDocumentIsDrawn) {
    ModelDocument doc;
    std::string error;
    std::ofstream(TempPath("pic.obj"), std::ios::binary) << kTwoObjects;
    ASSERT_TRUE(OpenSceneFile(doc, TempPath("pic.obj"), error)) << error;
    const Bounds bounds = SceneBounds(doc);
    EXPECT_EQ(bounds.min[1], 0.0);
    EXPECT_EQ(bounds.max[1], 2.0);
    ASSERT_TRUE(RenderScene(doc, TempPath("pic.svg"), ViewOptions(), error)) << error;
    std::ifstream svg(TempPath("pic.svg"));
    std::string first;
    std::getline(svg, first);
    EXPECT_NE(first.find("<?xml"), std::string::npos);
}

TEST(PolygonNormal, NewellsRuleGivesTheFrontAndTwiceTheArea) {
    struct Case {
        const char *name;
        std::vector<Float3> corners;
        Vec3 unit;
        double area;
    };
    const Case cases[] = {
        {"unit quad facing +Y", {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}}, {0, 1, 0}, 1.0},
        {"same quad wound the other way", {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {0, -1, 0}, 1.0},
        {"concave L facing +Z",
         {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}},
         {0, 0, 1},
         3.0},
        {"triangle facing +X far out", {{1e4f, 0, 0}, {1e4f, 1, 0}, {1e4f, 0, 1}}, {1, 0, 0}, 0.5},
        {"three points on a line", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 0, 0}, 0.0},
        {"two points", {{0, 0, 0}, {1, 0, 0}}, {0, 0, 0}, 0.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MeshData mesh;
        std::vector<uint32_t> verts;
        for (const Float3 &p : c.corners) verts.push_back(mesh.AddPoint(p));
        const uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, verts.data(), uint32_t(verts.size()));
        ASSERT_NE(poly, MeshData::kNone);
        EXPECT_NEAR(Length(mesh.PolygonAreaNormal(poly)), 2.0 * c.area, 1e-9);
        const Vec3 unit = mesh.PolygonNormal(poly);
        for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(unit[k], c.unit[k], 1e-12) << k;
        // The corners read through the shared rule directly give the mesh's own answer.
        const Vec3 direct = NewellNormal(uint32_t(c.corners.size()), [&](uint32_t i) {
            return Vec3{c.corners[i][0], c.corners[i][1], c.corners[i][2]};
        });
        EXPECT_EQ(direct, mesh.PolygonAreaNormal(poly));
    }
}

TEST(MeshOwnsItsPositions, UndoOfAMovePutsThePointBackAndTellsCaches) {
    Journal journal;
    MeshData mesh;
    mesh.Attach(nullptr, &journal);
    const uint32_t p = mesh.AddPoint({1, 2, 3});
    const Journal::Token token = journal.Begin();
    mesh.SetPosition(p, {4, 5, 6});
    const uint64_t moved = mesh.Version();
    journal.Rollback(token);
    EXPECT_EQ(mesh.Positions()[p], (Float3{1, 2, 3}));
    EXPECT_GT(mesh.Version(), moved);
}
