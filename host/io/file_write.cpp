#include "host/io/file_write.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace gorva::host {

namespace {

/// The folder part of a path ("." for a bare name) and the name part.
void SplitPath(const std::string &path, std::string &folder, std::string &name) {
    size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Follows symbolic links to the file they finally name (which need not exist yet); false with
/// errno set for a loop or an unreadable link.
bool FinalTarget(const std::string &path, std::string &target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(size_t(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(size_t(n));
        if (!link.empty() && link[0] == '/') {
            target = link;
        } else {
            std::string folder, name;
            SplitPath(target, folder, name);
            target = folder + "/" + link;
        }
    }
    errno = ELOOP;
    return false;
}

/// Writes every byte, retrying after interruptions.
bool WriteAll(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

/// Creates a new temporary file beside `target`, open for writing; -1 with errno set on failure.
int CreateTemporary(const std::string &target, mode_t mode, std::string &temp) {
    std::string folder, name;
    SplitPath(target, folder, name);
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + "/." + name + "." + std::to_string(entropy() % 1000000000u) + ".part";
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

/// Fills the temporary file and makes it durable; false with errno set.
bool FillTemporary(int fd, const std::string &bytes, bool keepMode, mode_t mode) {
    if (keepMode && ::fchmod(fd, mode) != 0) return false;
    return WriteAll(fd, bytes) && ::fsync(fd) == 0;
}

}  // namespace

bool WriteFileSafely(const std::string &path, const std::string &bytes, std::string &error) {
    auto fail = [&](const std::string &reason) {
        error = "cannot write \"" + path + "\": " + reason;
        return false;
    };
    std::string target;
    if (!FinalTarget(path, target)) return fail(std::strerror(errno));
    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return fail(std::strerror(errno));
    if (exists && !S_ISREG(st.st_mode)) return fail("not a regular file");
    mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    std::string temp;
    int fd = CreateTemporary(target, exists ? 0600 : 0666, temp);
    if (fd < 0) return fail(std::strerror(errno));
    bool filled = FillTemporary(fd, bytes, exists, mode);
    int saved = errno;
    if (::close(fd) != 0 && filled) {
        filled = false;
        saved = errno;
    }
    if (!filled || ::rename(temp.c_str(), target.c_str()) != 0) {
        if (filled) saved = errno;
        ::unlink(temp.c_str());
        return fail(std::strerror(saved));
    }
    // The rename itself reaches the disk with the folder's entry.
    std::string folder, name;
    SplitPath(target, folder, name);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace gorva::host
