// What the host writes: a file is replaced whole or not at all, through a link to its target, with
// its permissions kept, never over a device or a folder, and a failure gives the system's reason.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/host.hpp"
#include "host/base/file_write.hpp"
#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "host/scripting/scene_dump.hpp"
#include "tests/support/shapes.hpp"
#include "host/pictures/render.hpp"
#include "tests/test_files.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

class SafeWrites : public ::testing::Test {
protected:
    void SetUp() override {
        dir = MakeRunFolder(
            ::testing::TempDir(),
            "gorva_writes_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        ASSERT_FALSE(dir.empty());
        AddMesh(host, GridShape(2, 2));
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }

    /// Every way the host writes a file, by kind.
    bool Write(const std::string &kind, const fs::path &path, std::string &error) {
        if (kind == "obj") return SaveObjScene(host.scene, path.string(), error);
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

    /// Saves the scene as OBJ from a child process running as `user`; the error, empty on success.
    std::string SaveAs(uid_t user, const fs::path &path) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return "no pipe";
        pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            std::string error;
            if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
                error = "cannot become the user";
            else if (SaveObjScene(host.scene, path.string(), error))
                error.clear();
            ssize_t ignored = ::write(pipeEnds[1], error.data(), error.size());
            (void)ignored;
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        std::string error;
        char buf[256];
        for (ssize_t n; (n = ::read(pipeEnds[0], buf, sizeof buf)) > 0;) error.append(buf, size_t(n));
        ::close(pipeEnds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return error;
    }

    Host host;
    fs::path dir;
};

const char *const kKinds[] = {"obj", "glb", "gltf", "json", "png", "svg"};

/// The plain user a root test saves as, and the owner of files that are not that user's.
const uid_t kWriter = 65534;
const uid_t kOtherUser = 4321;

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
    // Neither is the temporary file's own mode (0600), so a lost mode shows.
    for (mode_t mode : {0644u, 0640u})
        for (const char *kind : kKinds) {
            fs::path target = Target(kind);
            std::ofstream(target) << "old";
            ASSERT_EQ(::chmod(target.c_str(), mode), 0);
            std::string error;
            ASSERT_TRUE(Write(kind, target, error)) << kind << ": " << error;
            struct stat st {};
            ASSERT_EQ(::stat(target.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << kind;
            EXPECT_NE(Slurp(target), "old") << kind;
        }
}

TEST_F(SafeWrites, AFileWithASecondHardLinkIsWrittenForBothNames) {
    for (const char *kind : kKinds) {
        fs::path target = Target(kind), other = Target(kind, "other");
        std::ofstream(target) << "old";
        fs::create_hard_link(target, other);
        std::string error;
        ASSERT_TRUE(Write(kind, target, error)) << kind << ": " << error;
        EXPECT_EQ(fs::hard_link_count(target), 2u) << kind;
        EXPECT_TRUE(fs::equivalent(target, other)) << kind;
        EXPECT_GT(Slurp(other).size(), 3u) << kind;
    }
    EXPECT_EQ(FileCount(), 2 * std::size(kKinds));
}

TEST_F(SafeWrites, AFileWithASecondHardLinkKeepsItsOldContentWhenTheWriteFails) {
    fs::path target = Target("obj"), other = Target("obj", "other");
    std::ofstream(target) << "old";
    fs::create_hard_link(target, other);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 64;
    void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    bool written = Write("obj", target, error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_EQ(Slurp(other), "old");
    EXPECT_EQ(fs::hard_link_count(target), 2u);
}

TEST_F(SafeWrites, RootSavingOverAUsersFileKeepsItsOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    for (const char *kind : kKinds) {
        fs::path target = Target(kind);
        std::ofstream(target) << "old";
        ASSERT_EQ(::chown(target.c_str(), kOtherUser, kOtherUser), 0);
        std::string error;
        ASSERT_TRUE(Write(kind, target, error)) << kind << ": " << error;
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kOtherUser) << kind;
        EXPECT_EQ(st.st_gid, kOtherUser) << kind;
        EXPECT_NE(Slurp(target), "old") << kind;
    }
}

namespace {

/// A file as another user finds it: its owner and mode, and what a save by that user must do.
struct ForeignFile {
    const char *what;
    bool ownedByWriter;
    mode_t mode;
    bool written;  // else refused, with "Permission denied"
};

void PrintTo(const ForeignFile &c, std::ostream *out) {
    *out << c.what;
}

class SavesByAUser : public SafeWrites, public ::testing::WithParamInterface<ForeignFile> {};

}  // namespace

TEST_P(SavesByAUser, WriteExactlyWhereAPlainOpenForWritingWould) {
    // As root the test saves as a plain user (nobody) into a folder that user may write.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    const ForeignFile &c = GetParam();
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    fs::path target = Target("obj");
    std::ofstream(target) << "old";
    uid_t owner = c.ownedByWriter ? kWriter : kOtherUser;
    ASSERT_EQ(::chown(target.c_str(), owner, owner), 0);
    ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
    std::string error = SaveAs(kWriter, target);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, owner) << c.what;
    EXPECT_EQ(st.st_gid, owner) << c.what;
    EXPECT_EQ(st.st_mode & 07777, c.mode) << c.what;
    if (c.written) {
        EXPECT_EQ(error, "") << c.what;
        EXPECT_NE(Slurp(target), "old") << c.what;
    } else {
        EXPECT_NE(error.find("Permission denied"), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(Slurp(target), "old") << c.what;
    }
    EXPECT_EQ(FileCount(), 1u) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    OwnersAndModes, SavesByAUser,
    ::testing::Values(ForeignFile{"own file, read-only", true, 0444, false},
                      ForeignFile{"own file, writable", true, 0644, true},
                      ForeignFile{"another user's file, read-only for others", false, 0644, false},
                      ForeignFile{"another user's file, writable by all", false, 0666, true}));

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
