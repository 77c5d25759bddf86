// The browser viewport's side of the host: who may ask (token, Host and Origin headers), what the
// page may run, files confined to the start folder, the state the page draws and undo by snapshots.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "app/serve/page_scene.hpp"
#include "app/serve/scene_snapshot.hpp"
#include "host/host.hpp"

namespace gorva::host {

/// Bytes a request body may hold; larger requests are refused before they are read.
inline constexpr size_t kMaxRequestBytes = 1 << 20;
/// Bytes of mesh copies the undo and redo steps may hold together; the oldest steps go first, the
/// newest one always stays.
inline constexpr size_t kUndoMemoryBytes = size_t(512) << 20;

/// A request as the session sees it, free of the HTTP library.
struct ServeRequest {
    std::string method;                          // "GET" or "POST"
    std::string path;                            // without the query
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

struct ServeResponse {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
};

/// A random token of 32 hexadecimal digits from the system's random source.
std::string MakeServeToken();

/// True when `name` is a plain file name or relative path inside `root` (no "..", not absolute,
/// no control bytes, links resolved inside `root`); `resolved` receives the full path.
bool ConfinedPath(const std::string &root, const std::string &name, std::string &resolved,
                  std::string &error);

/// True when a page may send this command line: the plug-in's commands, selection, user values and
/// the tool lines; files, pictures and test switches are not the page's to run.
bool LineAllowed(const Host &host, const std::string &command);

class ServeSession {
public:
    /// `folder`: where files are opened and saved; `webDir`: the page and its libraries.
    ServeSession(Host &host, std::string folder, std::string webDir, std::string token, int port);

    /// Answers one request; the caller holds the host's lock.
    ServeResponse Handle(const ServeRequest &request);

    const std::string &Token() const { return m_token; }
    /// The address to open in a browser.
    std::string Address() const;
    /// Takes the scene as it is as the base for undo (after a scene was opened at start).
    void ResetHistory();

private:
    bool Authorized(const ServeRequest &request, std::string &rest, std::string &error) const;
    ServeResponse Api(const ServeRequest &request, const std::string &route);
    ServeResponse StaticFile(const std::string &route) const;
    /// The page's state; `definitions` adds the commands' forms (asked for once, at loading).
    ServeResponse State(bool definitions, bool ok = true, const std::string &message = std::string());
    ServeResponse RunLine(const std::string &line);
    ServeResponse OpenFile(const std::string &name);
    ServeResponse SaveFile(const std::string &name);
    ServeResponse Undo();
    ServeResponse Redo();
    ServeResponse Reply(bool ok, const std::string &message, int failStatus = 422);
    void Commit();
    /// Drops the oldest undo steps while the history holds more than kUndoMemoryBytes.
    void KeepToBudget();

    Host &m_host;
    std::string m_folder, m_webDir, m_token;
    int m_port;
    SceneSnapshot m_committed;
    std::vector<SceneSnapshot> m_undo, m_redo;
    std::vector<std::string> m_messages;
    size_t m_logSeen = 0, m_dialogsSeen = 0;
    PageScene m_page;
};

}  // namespace gorva::host
