#include "app/serve/serve_session.hpp"

#include "app/serve/page_fields.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "host/io/gltf_io.hpp"
#include "host/io/scene_files.hpp"
#include "host/scripting/script_runner.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

/// Host commands a page may run besides the plug-in's own.
const char *const kPageLines[] = {
    "select.element", "select.typeFrom", "select.drop",       "select.item", "user.value", "tool.set",
    "tool.attr",      "tool.doApply",    "tool.drop",         "tool.reset",  "tool.press", "tool.drag",
    "tool.release",   "tool.workPlane",  "tool.actionCenter", "tool.axis",   "tool.view",
};

/// Lines that only move the mouse or the viewport: the tool's preview changes, nothing is committed.
bool PreviewLine(const std::string &command) {
    return command.compare(0, 5, "tool.") == 0 && command != "tool.doApply" && command != "tool.set" &&
           command != "tool.drop";
}

bool EqualInConstantTime(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

std::string Header(const ServeRequest &r, const std::string &name) {
    auto at = r.headers.find(name);
    return at == r.headers.end() ? std::string() : at->second;
}

ServeResponse Error(int status, const std::string &message) {
    return {status, "application/json", Json{{"ok", false}, {"message", message}}.dump()};
}

const char *ContentTypeOf(const std::string &path) {
    auto ends = [&](const char *ext) {
        std::string e = ext;
        return path.size() >= e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0;
    };
    if (ends(".html")) return "text/html; charset=utf-8";
    if (ends(".js")) return "text/javascript; charset=utf-8";
    if (ends(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}

const char *StrokeTypeName(int type) {
    static const char *const names[] = {"none",      "points",     "lines",   "strip",    "loop",
                                        "triangles", "quads",      "beziers", "arcs",     "circles",
                                        "boxes",     "frontBoxes", "text",    "frontLoop"};
    return type >= 0 && type < int(std::size(names)) ? names[type] : "none";
}

Json Point(const Vec3 &p) {
    return Json::array({p[0], p[1], p[2]});
}

Json DrawingJson(const ToolDrawing &d) {
    static const char *const kinds[] = {"general", "axis", "move", "point"};
    Json handles = Json::array(), strokes = Json::array(), texts = Json::array();
    for (const auto &h : d.handles)
        handles.push_back({{"kind", kinds[h.kind]},
                           {"pos", Point(h.pos)},
                           {"axis", Point(h.axis)},
                           {"length", h.length},
                           {"part", h.part},
                           {"hot", (h.flags & LXi_THANDf_HOT) != 0}});
    for (const auto &s : d.strokes) {
        Json verts = Json::array();
        for (const auto &v : s.verts) verts.push_back(Point(v));
        strokes.push_back({{"type", StrokeTypeName(s.type)},
                           {"colour", Point(s.colour)},
                           {"alpha", s.alpha},
                           {"width", s.width},
                           {"dash", s.dash},
                           {"part", s.part},
                           {"verts", verts}});
    }
    for (const auto &t : d.texts)
        texts.push_back(
            {{"text", t.text}, {"pos", Point(t.pos)}, {"colour", Point(t.colour)}, {"part", t.part}});
    return {{"handles", handles}, {"strokes", strokes}, {"texts", texts}};
}

/// The work plane as its origin and its X, normal and Z axes, where the page lays its grid.
Json WorkPlaneJson(const WorkPlane &plane) {
    double rows[3][3];
    plane.Rows(rows);
    Json axes = Json::array();
    for (const auto &row : rows) axes.push_back(Json::array({row[0], row[1], row[2]}));
    return {{"origin", Point(plane.origin)}, {"axes", axes}};
}

/// The selection as (layer index, elements) the page can match to the scene answer's meshes, and
/// the component type in use ("vertex", "edge", "polygon"; empty before any).
Json SelectionJson(Host &host) {
    std::vector<ItemData *> layers = host.ActiveLayers();
    auto layerOf = [&](const MeshData *mesh) {
        for (size_t i = 0; i < layers.size(); ++i)
            if (layers[i]->mesh.get() == mesh) return int(i);
        return -1;
    };
    Json vertices = Json::array(), edges = Json::array(), polygons = Json::array();
    for (const auto &v : host.selection.Vertices()) vertices.push_back({layerOf(v.mesh), v.point});
    for (const auto &e : host.selection.EdgeList()) edges.push_back({layerOf(e.mesh), e.a, e.b});
    for (const auto &p : host.selection.Polygons()) polygons.push_back({layerOf(p.mesh), p.polygon});
    const LXtID4 components[] = {SelTypeCode(kSelVertex), SelTypeCode(kSelEdge), SelTypeCode(kSelPolygon), 0};
    const int type = SelTypeFromCode(host.selection.CurrentType(components));
    return {{"vertices", vertices},
            {"edges", edges},
            {"polygons", polygons},
            {"type", type >= 0 ? SelTypeName(SelType(type)) : ""}};
}

}  // namespace

std::string MakeServeToken() {
    std::random_device random;  // the system's random source
    std::string token;
    static const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) token += hex[random() & 15];
    return token;
}

bool ConfinedPath(const std::string &root, const std::string &name, std::string &resolved,
                  std::string &error) {
    if (name.empty() || name.size() > 255) return error = "a file name of 1 to 255 bytes is needed", false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == '\\')
            return error = "the file name holds a control byte or a backslash", false;
    fs::path relative(name);
    if (relative.is_absolute())
        return error = "give a name inside the served folder, not an absolute path", false;
    for (const auto &part : relative)
        if (part == "..") return error = "\"..\" leads outside the served folder", false;
    std::error_code ec;
    fs::path base = fs::weakly_canonical(root, ec);
    fs::path full = fs::weakly_canonical(base / relative, ec);
    if (ec) return error = "cannot resolve \"" + name + "\": " + ec.message(), false;
    auto mismatch = std::mismatch(base.begin(), base.end(), full.begin(), full.end());
    if (mismatch.first != base.end())
        return error = "\"" + name + "\" leads outside the served folder", false;
    resolved = full.string();
    return true;
}

bool LineAllowed(const Host &host, const std::string &command) {
    for (const char *line : kPageLines)
        if (command == line) return true;
    for (const auto &server : host.Servers())
        if (server.name == command && server.IsCommand()) return true;
    return false;
}

ServeSession::ServeSession(Host &host, std::string folder, std::string webDir, std::string token, int port)
    : m_host(host),
      m_folder(std::move(folder)),
      m_webDir(std::move(webDir)),
      m_token(std::move(token)),
      m_port(port) {
    ResetHistory();
}

std::string ServeSession::Address() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + m_token + "/";
}

void ServeSession::ResetHistory() {
    m_undo.clear();
    m_redo.clear();
    m_page.Rebase(m_host);
    m_committed = SceneSnapshot::Capture(m_host, nullptr);
}

bool ServeSession::Authorized(const ServeRequest &request, std::string &rest, std::string &error) const {
    // A page from another site may reach a loopback port: only our own address as Host (no DNS
    // rebinding), no foreign Origin, and the token that only the printed address carries.
    const std::string port = std::to_string(m_port);
    const std::string host = Header(request, "host");
    if (host != "127.0.0.1:" + port && host != "localhost:" + port) return error = "wrong Host header", false;
    const std::string origin = Header(request, "origin");
    if (!origin.empty() && origin != "http://127.0.0.1:" + port && origin != "http://localhost:" + port)
        return error = "requests from other sites are refused", false;
    if (Header(request, "sec-fetch-site") == "cross-site")
        return error = "requests from other sites are refused", false;
    const std::string &path = request.path;
    size_t slash = path.find('/', 1);
    std::string first = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    if (EqualInConstantTime(first, m_token)) {
        rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
        return true;
    }
    if (EqualInConstantTime(Header(request, "x-gorva-token"), m_token)) {
        rest = path.substr(1);
        return true;
    }
    return error = "the address's token is missing or wrong", false;
}

ServeResponse ServeSession::Handle(const ServeRequest &request) {
    std::string route, error;
    if (!Authorized(request, route, error)) return Error(403, error);
    if (request.body.size() > kMaxRequestBytes) return Error(413, "the request is too large");
    if (route.compare(0, 4, "api/") == 0) return Api(request, route.substr(4));
    if (request.method != "GET") return Error(405, "only GET for the page's files");
    return StaticFile(route.empty() ? "index.html" : route);
}

ServeResponse ServeSession::StaticFile(const std::string &route) const {
    // The page's own files, and three.js's build and add-ons from its npm package.
    std::string folder = m_webDir, name = route;
    if (route.compare(0, 11, "lib/addons/") == 0)
        folder = m_webDir + "/node_modules/three/examples/jsm", name = route.substr(11);
    else if (route.compare(0, 4, "lib/") == 0)
        folder = m_webDir + "/node_modules/three/build", name = route.substr(4);
    else if (route.find('/') != std::string::npos)
        return Error(404, "no such file");
    std::string path, error;
    if (!ConfinedPath(folder, name, path, error)) return Error(404, error);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return Error(404, "no such file: " + route);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return {200, ContentTypeOf(path), bytes.str()};
}

ServeResponse ServeSession::Api(const ServeRequest &request, const std::string &route) {
    if (request.method == "GET") {
        if (route == "state") return State(true);
        // The page asks for the base it was told of: a newer one means its update would not fit.
        if (route == "scene/" + std::to_string(m_page.SceneVersion()) + ".bin")
            return {200, "application/octet-stream", m_page.SceneBytes()};
        if (route.compare(0, 6, "scene/") == 0) return Error(409, "the scene has changed since");
        return Error(404, "no such call");
    }
    if (request.method != "POST") return Error(405, "GET or POST");
    // POST bodies are JSON: a form from another site cannot send that without asking first.
    if (Header(request, "content-type").compare(0, 16, "application/json") != 0)
        return Error(415, "the body must be application/json");
    Json body = Json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) return Error(400, "the body is not a JSON object");
    auto text = [&](const char *key, std::string &out) {
        auto at = body.find(key);
        if (at == body.end() || !at->is_string()) return false;
        out = at->get<std::string>();
        return true;
    };
    std::string value;
    if (route == "run") return text("line", value) ? RunLine(value) : Error(400, "\"line\" text is needed");
    if (route == "open") return text("name", value) ? OpenFile(value) : Error(400, "\"name\" text is needed");
    if (route == "save") return text("name", value) ? SaveFile(value) : Error(400, "\"name\" text is needed");
    if (route == "undo") return Undo();
    if (route == "redo") return Redo();
    return Error(404, "no such call");
}

ServeResponse ServeSession::RunLine(const std::string &line) {
    std::string name, error;
    std::vector<CommandArg> args;
    if (line.size() > kScriptLimits.maxLineBytes || !ParseCommandLine(line, name, args, error))
        return Error(400, error.empty() ? "the line is too long" : error);
    if (name.empty()) return Error(400, "an empty line");
    if (!LineAllowed(m_host, name)) return Error(403, name + " cannot be run from the page");
    CommandResult result = m_host.Run(name, args);
    // A tool turned on shows a preview of its own, which only its apply commits.
    const bool toolOn = name == "tool.set" && m_host.Tools().Active();
    if (result.ok() && !PreviewLine(name) && !toolOn) Commit();
    return Reply(result.ok(), result.message);
}

ServeResponse ServeSession::OpenFile(const std::string &name) {
    std::string path, error;
    if (!ConfinedPath(m_folder, name, path, error)) return Error(403, error);
    // A file that cannot be opened leaves the scene and an active tool as they were.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return Reply(false, "cannot open \"" + name + "\": no such file");
    if (m_host.Tools().Active()) m_host.Tools().Deactivate(true);
    Commit();
    if (!OpenSceneFile(m_host, path, error)) return Reply(false, error);
    Commit();
    return Reply(true, "opened " + name);
}

ServeResponse ServeSession::SaveFile(const std::string &name) {
    std::string path, error;
    if (!ConfinedPath(m_folder, name, path, error)) return Error(403, error);
    if (m_host.Tools().Active()) {
        m_host.Tools().Deactivate(true);
        Commit();
    }
    bool ok = SaveSceneFile(m_host, path, error);
    return Reply(ok, ok ? "saved " + name : error);
}

ServeResponse ServeSession::Undo() {
    // A tool's unapplied preview goes first, as dropping the tool; then the committed steps.
    if (m_host.Tools().Active()) {
        const bool preview = !m_committed.Matches(m_host);
        m_host.Tools().Deactivate(false);
        if (preview) return Reply(true, "tool dropped");
    }
    if (m_undo.empty()) return Reply(false, "nothing to undo", 409);
    SceneSnapshot restored = m_undo.back().Restore(m_host);
    m_redo.push_back(std::move(m_committed));
    m_committed = std::move(restored);
    m_undo.pop_back();
    return Reply(true, "undone");
}

ServeResponse ServeSession::Redo() {
    if (m_host.Tools().Active()) m_host.Tools().Deactivate(false);
    if (m_redo.empty()) return Reply(false, "nothing to redo", 409);
    SceneSnapshot restored = m_redo.back().Restore(m_host);
    m_undo.push_back(std::move(m_committed));
    m_committed = std::move(restored);
    m_redo.pop_back();
    return Reply(true, "redone");
}

void ServeSession::Commit() {
    if (m_committed.Matches(m_host)) return;
    SceneSnapshot now = SceneSnapshot::Capture(m_host, &m_committed);
    m_undo.push_back(std::move(m_committed));
    m_committed = std::move(now);
    m_redo.clear();
    KeepToBudget();
}

void ServeSession::KeepToBudget() {
    // Steps share the copies of meshes they did not change: each copy counts once.
    auto held = [&] {
        std::unordered_set<const MeshData *> seen;
        size_t bytes = 0;
        auto count = [&](const SceneSnapshot &snap) {
            for (const MeshData *copy : snap.MeshCopies())
                if (seen.insert(copy).second) bytes += copy->Bytes();
        };
        count(m_committed);
        for (const auto &snap : m_undo) count(snap);
        for (const auto &snap : m_redo) count(snap);
        return bytes;
    };
    while (m_undo.size() > 1 && held() > kUndoMemoryBytes) m_undo.erase(m_undo.begin());
}

ServeResponse ServeSession::Reply(bool ok, const std::string &message, int failStatus) {
    if (!message.empty()) m_messages.push_back((ok ? "" : "error: ") + message);
    ServeResponse state = State(false, ok, message);
    if (!ok) state.status = failStatus;
    return state;
}

ServeResponse ServeSession::State(bool definitions, bool ok, const std::string &message) {
    Json messages = Json::array();
    for (; m_logSeen < m_host.log.size(); ++m_logSeen)
        if (m_host.log[m_logSeen].level <= kShownLogLevel)
            m_messages.push_back(FormatLogLine(m_host.log[m_logSeen]));
    for (; m_dialogsSeen < m_host.dialogs.size(); ++m_dialogsSeen)
        m_messages.push_back(FormatDialog(m_host.dialogs[m_dialogsSeen]));
    for (auto &m : m_messages) messages.push_back(m);
    m_messages.clear();
    Json commands = Json::array(), tools = Json::array(), layers = Json::array();
    for (const auto &server : m_host.Servers()) {
        if (definitions && server.IsCommand()) commands.push_back(CommandFormJson(m_host, server.name));
        if (server.IsTool()) tools.push_back(ToolButtonJson(m_host, server.name));
    }
    for (ItemData *item : m_host.ActiveLayers())
        layers.push_back({{"name", item->name}, {"ident", item->ident}});
    ToolHost &toolHost = m_host.Tools();
    Json tool = nullptr;
    if (toolHost.Active())
        tool = {{"name", toolHost.ActiveName()},
                {"label", ToolButtonJson(m_host, toolHost.ActiveName())["label"]},
                {"attributes", ToolFieldsJson(m_host, toolHost.ActiveName())},
                {"drawing", DrawingJson(toolHost.Drawing())}};
    m_page.Refresh(m_host);
    Json files = Json::array();
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(m_folder, ec)) {
        std::string n = entry.path().filename().string();
        std::error_code regular;
        if (entry.is_regular_file(regular) &&
            (IsGltfPath(n) || (n.size() > 4 && n.substr(n.size() - 4) == ".obj")))
            files.push_back(n);
    }
    std::sort(files.begin(), files.end());
    Json state{{"ok", ok},
               {"message", message},
               {"sceneVersion", m_page.SceneVersion()},
               {"update", m_page.UpdateJson()},
               {"definitions", definitions},
               {"commands", commands},
               {"tools", tools},
               {"layers", layers},
               {"selection", SelectionJson(m_host)},
               {"workPlane", WorkPlaneJson(toolHost.workPlane)},
               {"tool", tool},
               {"files", files},
               {"canUndo", !m_undo.empty() || toolHost.Active()},
               {"canRedo", !m_redo.empty()},
               {"messages", messages}};
    return {200, "application/json", state.dump()};
}

}  // namespace gorva::host
