// What the host writes: a file is replaced whole or not at all, through a link to its target, with
// its permissions kept, never over a device or a folder, and a failure gives the system's reason.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/host.hpp"
#include "host/io/file_write.hpp"
#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "host/io/scene_dump.hpp"
#include "host/model/builders.hpp"
#include "host/pictures/render.hpp"
#include "tests/test_files.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

class SafeWrites : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::path(::testing::TempDir()) /
            ("gorva_writes_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        AddMesh(host, GridSpec(2, 2));
    }
    void TearDown() override { fs::remove_all(dir); }

    /// Every way the host writes a file, by kind.
    bool Write(const std::string &kind, const fs::path &path, std::string &error) {
        if (kind == "obj") return SaveObjScene(host, path.string(), error);
        if (kind == "glb" || kind == "gltf") return SaveGltfScene(host, path.string(), error);
        if (kind == "json") return WriteSceneDump(host, path.string(), error);
        return RenderScene(host, path.string(), ViewOptions(), error);
    }
    /// A file name of the kind in the folder.
    fs::path Target(const std::string &kind, const char *stem = "scene") const {
        return dir / (std::string(stem) + "." + kind);
    }
    /// Files in the folder (a failed write leaves no temporary file behind).
    size_t FileCount() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto &e : fs::directory_iterator(dir)) ++n;
        return n;
    }

    Host host;
    fs::path dir;
};

const char *const kKinds[] = {"obj", "glb", "gltf", "json", "png", "svg"};

}  // namespace

TEST_F(SafeWrites, ALinkIsWrittenThroughAndKeepsPointingAtItsTarget) {
    for (const char *kind : kKinds) {
        fs::path target = Target(kind, "real"), link = Target(kind, "link");
        std::ofstream(target) << "old";
        fs::create_symlink(target.filename(), link);
        std::string error;
        ASSERT_TRUE(Write(kind, link, error)) << kind << ": " << error;
        EXPECT_TRUE(fs::is_symlink(link)) << kind;
        EXPECT_EQ(fs::read_symlink(link), target.filename()) << kind;
        EXPECT_GT(fs::file_size(target), 3u) << kind;
    }
    EXPECT_EQ(FileCount(), 2 * std::size(kKinds));
}

TEST_F(SafeWrites, AFileKeepsItsPermissions) {
    for (const char *kind : kKinds) {
        fs::path target = Target(kind);
        std::ofstream(target) << "old";
        ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
        std::string error;
        ASSERT_TRUE(Write(kind, target, error)) << kind << ": " << error;
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << kind;
    }
}

TEST_F(SafeWrites, ASocketOrAFolderIsRefusedAndLeftAlone) {
    // Special files of the test's own: a regression must not replace a device of the system.
    for (const char *kind : kKinds) {
        fs::path socketPath = Target(kind, "socket"), folder = Target(kind, "folder");
        fs::create_directories(folder);
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0) << socketPath;
        for (const fs::path &special : {socketPath, folder}) {
            std::string error;
            EXPECT_FALSE(Write(kind, special, error)) << kind;
            EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
        }
        EXPECT_TRUE(fs::is_socket(socketPath)) << kind;
        EXPECT_TRUE(fs::is_directory(folder)) << kind;
        ::close(fd);
    }
    EXPECT_EQ(FileCount(), 2 * std::size(kKinds));
}

TEST_F(SafeWrites, AFailedWriteLeavesTheOldFileAndGivesTheSystemsReason) {
    // A file size limit stands in for a full disk: the write fails part-way with the system's reason.
    for (const char *kind : kKinds) {
        fs::path target = Target(kind);
        std::ofstream(target) << "old";
        struct rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 64;
        void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        std::string error;
        bool written = Write(kind, target, error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, previous);
        EXPECT_FALSE(written) << kind;
        EXPECT_NE(error.find("File too large"), std::string::npos) << error;
        EXPECT_EQ(Slurp(target), "old") << kind;
        EXPECT_EQ(FileCount(), 1u) << kind;
        fs::remove(target);
    }
}

TEST_F(SafeWrites, AMissingFolderGivesTheSystemsReason) {
    for (const char *kind : kKinds) {
        std::string error;
        EXPECT_FALSE(Write(kind, dir / "no" / (std::string("such.") + kind), error));
        EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    }
}

TEST(SafeWriteText, ReplacesTheContentWhole) {
    fs::path path = fs::path(::testing::TempDir()) / "gorva_safe_write.txt";
    std::string error;
    ASSERT_TRUE(WriteFileSafely(path.string(), "first, and longer", error)) << error;
    ASSERT_TRUE(WriteFileSafely(path.string(), "second", error)) << error;
    EXPECT_EQ(Slurp(path), "second");
    fs::remove(path);
}
