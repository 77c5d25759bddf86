// Writing a file so that the user's old file survives any failure: the new content goes to a
// temporary file beside the target, is flushed to the disk, and only then renamed over it.
#pragma once
#include "host/guard.hpp"

#include <string>

namespace gorva::host {

/// Replaces the file at `path` with `bytes`, whole or not at all. A symbolic link is followed and
/// its final target replaced (the link stays a link); an existing target keeps its permission bits
/// (a new one gets the usual ones, 0666 less the umask); a target that exists but is not a regular
/// file (a device, a pipe, a socket, a folder) is refused. On failure the target is as it was, no
/// temporary file is left, and `error` reads "cannot write "PATH": REASON" with the system's reason.
bool WriteFileSafely(const std::string &path, const std::string &bytes, std::string &error);

}  // namespace gorva::host
