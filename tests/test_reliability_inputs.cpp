// Inputs that used to hang, grow without bound or be read loosely: a pipe given as a scene or a
// script, variables that grow a line past its limit, group names with inner spaces, faces that
// come back to a vertex, and item names that look like identifiers or are shared.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "tests/support/shapes.hpp"
#include "host/scripting/script_runner.hpp"
#include "tests/test_files.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

/// A named pipe with a writer that waits for a reader, gives it one OBJ line and ends; a reader
/// that reads pipes therefore gets a small scene, one that refuses them never opens the writer's end.
class PipeWithAWriter {
public:
    PipeWithAWriter() {
        ::signal(SIGPIPE, SIG_IGN);
        m_dir = MakeRunFolder(::testing::TempDir(), "gorva_pipe");
        m_path = m_dir / "scene.obj";
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
        if (m_made)
            m_writer = std::thread([path = m_path] {
                int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
                if (fd < 0) return;
                ssize_t ignored = ::write(fd, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 32);
                (void)ignored;
                ::close(fd);
            });
    }
    ~PipeWithAWriter() {
        // Lets a writer still waiting for a reader go on and end.
        int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_writer.joinable()) m_writer.join();
        if (fd >= 0) ::close(fd);
        fs::remove_all(m_dir);
    }
    bool Made() const { return m_made; }
    std::string Path() const { return m_path.string(); }

private:
    fs::path m_dir, m_path;
    bool m_made = false;
    std::thread m_writer;
};

}  // namespace

TEST(SpecialFilesForReading, APipeGivenAsASceneIsRefused) {
    PipeWithAWriter pipe;
    ASSERT_TRUE(pipe.Made());
    Host host;
    std::string error;
    EXPECT_FALSE(OpenObjScene(host, pipe.Path(), error));
    EXPECT_NE(error.find("not a regular file (a pipe)"), std::string::npos) << error;
    EXPECT_TRUE(host.scene.Items().empty());
}

TEST(SpecialFilesForReading, APipeGivenAsAScriptIsRefused) {
    PipeWithAWriter pipe;
    ASSERT_TRUE(pipe.Made());
    Host host;
    std::ostringstream err;
    ScriptStats stats;
    EXPECT_FALSE(RunScriptFile(host, pipe.Path(), ScriptOptions(), err, stats));
    EXPECT_NE(err.str().find("not a regular file (a pipe)"), std::string::npos) << err.str();
}

TEST(SpecialFilesForReading, AFolderIsRefusedAsSceneAndScript) {
    Host host;
    std::string error;
    EXPECT_FALSE(OpenObjScene(host, ::testing::TempDir(), error));
    EXPECT_NE(error.find("not a regular file (a folder)"), std::string::npos) << error;
    std::ostringstream err;
    ScriptStats stats;
    EXPECT_FALSE(RunScriptFile(host, ::testing::TempDir(), ScriptOptions(), err, stats));
    EXPECT_NE(err.str().find("not a regular file (a folder)"), std::string::npos) << err.str();
}

TEST(ScriptVariables, TheLineLimitHoldsForTheExpandedLine) {
    // A short line whose variable would make it longer than the limit is refused before it is built.
    Host host;
    ScriptOptions opts;
    opts.limits = {1024, uint64_t(1) << 20};
    opts.variables["A"] = std::string(600, 'x');
    std::istringstream script("scene.new\n# fine\nuser.value ${A}\nuser.value ${A}${A}\n");
    std::ostringstream err;
    ScriptStats stats;
    opts.keepGoing = true;
    EXPECT_FALSE(RunScript(host, script, "t.gorva", opts, err, stats));
    EXPECT_EQ(err.str().find("t.gorva:3: line longer"), std::string::npos) << err.str();
    const std::string fourth = err.str().substr(err.str().find("t.gorva:4: "));
    EXPECT_NE(fourth.find("line longer than 1024 bytes with its variables expanded"), std::string::npos)
        << err.str();
}

TEST(ObjNames, AGroupNameKeepsItsInnerSpacesThroughASave) {
    Host host;
    MeshShape shape = GridShape(1, 1);
    shape.polygons[0].part = "Front  Wall\twest";
    shape.polygons[0].material = "Old  brick";
    AddMesh(host, shape);
    std::ostringstream saved;
    WriteObj(host.scene, saved);
    std::istringstream in(saved.str());
    ObjFile file;
    std::string error;
    ASSERT_TRUE(ParseObj(in, "saved.obj", "Mesh", file, error)) << error;
    const auto polygons = file.Polygons(file.objects.at(0));
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].part, "Front  Wall\twest");
    EXPECT_EQ(polygons[0].material, "Old  brick");
}

TEST(ObjFaces, EachCornerIsADifferentVertexNextToItsTwinOrNot) {
    const std::string points = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n";
    for (const char *face : {"f 1 2 1 3", "f 1 1 2", "f 1 2 3 1", "f 1 2 3 4 2"}) {
        std::istringstream in(points + face + "\n");
        ObjFile file;
        std::string error;
        EXPECT_FALSE(ParseObj(in, "t.obj", "Mesh", file, error)) << face;
        EXPECT_NE(error.find("t.obj:5: the face repeats vertex"), std::string::npos) << face << ": " << error;
    }
    // A line may come back to a vertex (each segment is its own polygon), only not in a row.
    std::istringstream line(points + "l 1 2 1 3\n");
    ObjFile file;
    std::string error;
    ASSERT_TRUE(ParseObj(line, "t.obj", "Mesh", file, error)) << error;
    EXPECT_EQ(file.Polygons(file.objects.at(0)).size(), 3u);
}

namespace {

/// A scene with an item named like another's identifier, and two items of one name.
struct NamedItems {
    Host host;
    ItemData *first = nullptr, *namedLikeIt = nullptr, *wallA = nullptr, *wallB = nullptr;
    NamedItems() {
        first = host.scene.AddItem(ItemTypeCode("locator"), "First");
        namedLikeIt = host.scene.AddItem(ItemTypeCode("locator"), first->ident);
        wallA = host.scene.AddItem(ItemTypeCode("locator"), "Wall");
        wallB = host.scene.AddItem(ItemTypeCode("locator"), "Wall");
    }
    double X(ItemData *item) { return item->channelValues[size_t(item->ChannelIndex("pos.X"))]; }
};

}  // namespace

TEST(ItemNames, ANameIsLookedUpAsANameAndAnIdentifierOnlyInItsExplicitForm) {
    NamedItems s;
    ASSERT_TRUE(s.host.RunLine("item.transform " + s.first->ident + " pos 5 0 0").ok());
    EXPECT_EQ(s.X(s.namedLikeIt), 5.0);
    EXPECT_EQ(s.X(s.first), 0.0);
    ASSERT_TRUE(s.host.RunLine("item.transform @" + s.first->ident + " pos 7 0 0").ok());
    EXPECT_EQ(s.X(s.first), 7.0);
    EXPECT_EQ(s.X(s.namedLikeIt), 5.0);
    CommandResult r = s.host.RunLine("item.transform @nosuch001 pos 1 0 0");
    EXPECT_NE(r.message.find("no item with the identifier \"nosuch001\""), std::string::npos) << r.message;
    ASSERT_TRUE(s.host.RunLine("item.refSystem " + s.first->ident).ok());
    EXPECT_EQ(s.host.refSystem, s.namedLikeIt->ident);
    ASSERT_TRUE(s.host.RunLine("item.refSystem @" + s.first->ident).ok());
    EXPECT_EQ(s.host.refSystem, s.first->ident);
}

TEST(ItemNames, AnAmbiguousNameIsRefusedWithItsCandidates) {
    NamedItems s;
    for (const char *line :
         {"item.transform Wall pos 1 0 0", "item.parent Wall First", "select.item Wall",
          "item.parent First Wall", "item.refSystem Wall", "tool.press 0 0 0 hitMesh:Wall hitPolygon:0"}) {
        CommandResult r = s.host.RunLine(line);
        EXPECT_FALSE(r.ok()) << line;
        EXPECT_NE(r.message.find("\"Wall\" names 2 items (@" + s.wallA->ident + ", @" + s.wallB->ident + ")"),
                  std::string::npos)
            << line << ": " << r.message;
    }
    EXPECT_EQ(s.X(s.wallA), 0.0);
    EXPECT_EQ(s.X(s.wallB), 0.0);
    ASSERT_TRUE(s.host.RunLine("item.transform @" + s.wallB->ident + " pos 2 0 0").ok());
    EXPECT_EQ(s.X(s.wallB), 2.0);
}

namespace {

struct NumberLine {
    const char *line;
    const char *reason;  // empty: the line is taken
};

class HostNumbers : public ::testing::TestWithParam<NumberLine> {};

void PrintTo(const NumberLine &c, std::ostream *out) {
    *out << c.line;
}

}  // namespace

TEST_P(HostNumbers, AreReadByTheOneNumberReader) {
    Host host;
    AddMesh(host, GridShape(2, 2));
    ASSERT_TRUE(host.RunLine("item.create locator L").ok());
    const CommandResult r = host.RunLine(GetParam().line);
    if (*GetParam().reason == '\0') {
        EXPECT_TRUE(r.ok()) << r.message;
    } else {
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.message.find(GetParam().reason), std::string::npos) << r.message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EntryPoints, HostNumbers,
    ::testing::Values(NumberLine{"item.transform L pos 0x10 0 0", "\"0x10\" is not a decimal number"},
                      NumberLine{"item.transform L pos 1e-400 0 0",
                                 "\"1e-400\" is too small for single precision"},
                      NumberLine{"item.transform L pos 1e-50 0 0", "too small for single precision"},
                      NumberLine{"item.transform L scl 1e39 1 1", "\"1e39\" lies beyond single precision"},
                      NumberLine{"item.transform L pos inf 0 0", "not a decimal number"},
                      NumberLine{"item.transform L pos 1e-40 -0.5 2.5E+2", ""},
                      NumberLine{"item.transform L rot 0e-999 +.5 1.", ""},
                      NumberLine{"select.element 0 polygon set 0x1", "not an element index"},
                      NumberLine{"select.element 0 polygon set 1.5", "not an element index"},
                      NumberLine{"select.element 0 polygon set 3", ""},
                      NumberLine{"host.version 0x321", "must be a whole number"},
                      NumberLine{"host.abortAt 1e0", ""}));
