#include "host/base/file_write.hpp"

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

/// Writes every byte at `offset`, retrying after interruptions.
bool WriteAllAt(int fd, const char *data, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

/// Reads the whole file open at `fd` into `bytes`; false with errno set.
bool ReadAll(int fd, size_t size, std::string &bytes) {
    bytes.assign(size, '\0');
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, bytes.data() + done, size - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        done += size_t(n);
    }
    bytes.resize(done);
    return true;
}

/// Closes a descriptor when it goes out of scope.
struct FileCloser {
    int fd = -1;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

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

/// Gives the temporary file the old file's owner, group and mode, fills it and makes it durable;
/// false with errno set. EPERM from the owner change means the new file cannot be what the old one
/// was.
bool FillTemporary(int fd, const std::string &bytes, const struct stat *old) {
    if (old) {
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0)
            return false;
        // After the owner: a change of owner clears the set-id bits.
        if (::fchmod(fd, old->st_mode & 07777) != 0) return false;
    }
    return WriteAllAt(fd, bytes.data(), bytes.size(), 0) && ::fsync(fd) == 0;
}

/// Makes a rename durable with the folder's entry.
void SyncFolder(const std::string &target) {
    std::string folder, name;
    SplitPath(target, folder, name);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

/// Writes through a temporary file and a rename. 0 on success, else the errno of the failure;
/// `cannotBecome` is set when the new file could not take the old one's owner or group (nothing
/// is changed then).
int ReplaceByRename(const std::string &target, const std::string &bytes, const struct stat *old,
                    bool &cannotBecome) {
    cannotBecome = false;
    std::string temp;
    int fd = CreateTemporary(target, old ? 0600 : 0666, temp);
    if (fd < 0) return errno;
    bool filled = FillTemporary(fd, bytes, old);
    int saved = errno;
    if (::close(fd) != 0 && filled) {
        filled = false;
        saved = errno;
    }
    if (filled && ::rename(temp.c_str(), target.c_str()) == 0) {
        SyncFolder(target);
        return 0;
    }
    if (filled) saved = errno;
    ::unlink(temp.c_str());
    cannotBecome = !filled && saved == EPERM;
    return saved;
}

/// Writes into the file itself: space for the new content reserved first, the old content kept in
/// memory and put back when a write fails part-way. 0 on success, else the errno.
int ReplaceInPlace(const std::string &target, const std::string &bytes, const struct stat &old) {
    FileCloser file{::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    int fd = file.fd;
    if (fd < 0) return errno;
    struct stat now {};
    if (::fstat(fd, &now) != 0) return errno;
    if (now.st_dev != old.st_dev || now.st_ino != old.st_ino) return EAGAIN;
    std::string previous;
    if (!ReadAll(fd, size_t(old.st_size), previous)) return errno;
    if (bytes.size() > previous.size()) {
        // A full disk or a size limit refuses here, before anything changed.
        int reserved = ::posix_fallocate(fd, off_t(previous.size()), off_t(bytes.size() - previous.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            ::ftruncate(fd, off_t(previous.size()));
            return reserved;
        }
    }
    if (WriteAllAt(fd, bytes.data(), bytes.size(), 0) && ::ftruncate(fd, off_t(bytes.size())) == 0 &&
        ::fsync(fd) == 0)
        return 0;
    int saved = errno;
    WriteAllAt(fd, previous.data(), previous.size(), 0);
    ::ftruncate(fd, off_t(previous.size()));
    ::fsync(fd);
    return saved;
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
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return fail(std::strerror(errno));
        bool unused = false;
        int code = ReplaceByRename(target, bytes, nullptr, unused);
        return code == 0 || fail(std::strerror(code));
    }
    if (!S_ISREG(st.st_mode)) return fail("not a regular file");
    // The same check a plain open for writing gets: a read-only file, or another user's file that
    // does not grant writing, is refused; non-blocking so that a file swapped for a pipe cannot hang.
    FileCloser file{::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) return fail(std::strerror(errno));
    if (::fstat(file.fd, &st) != 0) return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("not a regular file");
    // A rename would split a hard link from its other names; write into the file they share.
    if (st.st_nlink > 1) {
        int code = ReplaceInPlace(target, bytes, st);
        return code == 0 || fail(std::strerror(code));
    }
    bool cannotBecome = false;
    int code = ReplaceByRename(target, bytes, &st, cannotBecome);
    if (code == 0) return true;
    // A new file that could not take the owner or group, or a folder that takes no new entries
    // while the file grants writing: the file itself is written, as a plain write would.
    if (cannotBecome || code == EACCES) code = ReplaceInPlace(target, bytes, st);
    return code == 0 || fail(std::strerror(code));
}

}  // namespace gorva::host
