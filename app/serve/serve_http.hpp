// gorva serve: the browser viewport over HTTP on the loopback interface.
#pragma once

#include <string>

#include "host/host.hpp"

namespace gorva::host {

struct ServeOptions {
    std::string scene;   // opened before serving; empty for an empty scene
    int port = 0;        // 0: a free port chosen by the system
    std::string folder;  // files are opened and saved here only
    std::string webDir;  // the page and its npm packages
};

/// Serves the page and the host's API on 127.0.0.1 until interrupted; prints the address with its
/// token on `out`. 1 with a message on `err` when the scene or the port cannot be had.
int RunServe(Host &host, const ServeOptions &options, std::ostream &out, std::ostream &err);

}  // namespace gorva::host
