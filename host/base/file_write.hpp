// Writing a file so that the user's old file survives any failure: the new content goes to a
// temporary file beside the target, is flushed to the disk, and only then renamed over it. Where a
// rename would change what the file is (another owner or group, a second hard link), the content is
// written into the file itself instead, with its space reserved first and the old content put back
// on a failure.
#pragma once
#include "host/guard.hpp"

#include <string>

namespace gorva::host {

/// Replaces the file at `path` with `bytes`, whole or not at all. A symbolic link is followed and
/// its final target replaced (the link stays a link). An existing target is written only where a
/// plain open for writing is allowed (a read-only file, or another user's file that does not grant
/// writing, is refused with the system's reason); it keeps its permission bits, owner, group and
/// hard links. A new file gets the usual permissions (0666 less the umask). A target that is not a
/// regular file (a device, a pipe, a socket, a folder) is refused. On failure the target is as it
/// was, no temporary file is left, and `error` reads "cannot write "PATH": REASON".
bool WriteFileSafely(const std::string &path, const std::string &bytes, std::string &error);

}  // namespace gorva::host
