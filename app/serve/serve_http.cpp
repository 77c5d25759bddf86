#include "app/serve/serve_http.hpp"

#include <cctype>
#include <filesystem>
#include <mutex>
#include <ostream>

#include <httplib.h>

#include "app/serve/serve_session.hpp"
#include "host/io/scene_files.hpp"
#include "host/base/text_lines.hpp"

namespace gorva::host {

namespace {

ServeRequest FromHttp(const httplib::Request &req) {
    ServeRequest r{req.method, req.path, {}, req.body};
    for (const auto &[name, value] : req.headers) {
        std::string lower = name;
        for (char &c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        r.headers[lower] = value;
    }
    return r;
}

}  // namespace

int RunServe(Host &host, const ServeOptions &options, std::ostream &out, std::ostream &err) {
    std::string error;
    if (!std::filesystem::is_regular_file(options.webDir + "/node_modules/three/build/three.module.js")) {
        err << "gorva: serve: three.js is not installed in " << Printable(options.webDir)
            << "/node_modules (run scripts/setup.sh)\n";
        return 1;
    }
    if (!options.scene.empty() && !OpenSceneFile(host, options.scene, error)) {
        err << "gorva: " << Printable(error) << '\n';
        return 1;
    }
    httplib::Server server;
    server.set_payload_max_length(kMaxRequestBytes);
    server.set_read_timeout(10, 0);
    int port = options.port;
    if (port == 0 ? (port = server.bind_to_any_port("127.0.0.1")) < 0
                  : !server.bind_to_port("127.0.0.1", port)) {
        err << "gorva: serve: cannot listen on 127.0.0.1:" << options.port << '\n';
        return 1;
    }
    ServeSession session(host, options.folder, options.webDir, MakeServeToken(), port);
    std::mutex hostLock;  // the host is single-threaded; the server's threads take turns
    auto handle = [&](const httplib::Request &req, httplib::Response &res) {
        // Answers go out as they are: on loopback the library's compression (Brotli at its best
        // quality) took seconds over three.js and every state, far longer than sending them.
        const_cast<httplib::Request &>(req).headers.erase("Accept-Encoding");
        ServeResponse answer;
        {
            std::lock_guard<std::mutex> lock(hostLock);
            answer = session.Handle(FromHttp(req));
        }
        res.status = answer.status;
        res.set_header("Cache-Control", "no-store");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("X-Frame-Options", "DENY");
        res.set_content(answer.body, answer.contentType.c_str());
    };
    server.Get(".*", handle);
    server.Post(".*", handle);
    out << "gorva serve: open " << session.Address() << "\n(serving " << Printable(options.folder)
        << "; Ctrl-C stops)" << std::endl;
    server.listen_after_bind();
    return 0;
}

}  // namespace gorva::host
