// Command lines that drive the active tool: activation, attributes, apply, drop and reset, and the
// host-only lines that stand in for the viewport and the mouse.
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "host/base/numbers.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

namespace {

using Args = std::vector<std::string>;

CommandResult Fail(const std::string &text) {
    return {LXe_INVALIDARG, text};
}

bool ParseNumber(const std::string &text, double &out) {
    std::string reason;
    return ReadNumber(text, NumberKind::kReal, out, reason);
}

/// A failure naming the first argument that is a number beyond single precision, which no position
/// a mesh holds can reach; success when there is none.
CommandResult RefuseBeyondSinglePrecision(const Args &a) {
    for (const std::string &text : a) {
        char *end = nullptr;
        double v = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
        if (!text.empty() && *end == '\0' && !(std::fabs(v) <= double(FLT_MAX)))
            return Fail("\"" + text + "\" lies beyond single precision (3.4e38)");
    }
    return {};
}

/// Three numbers from args[first..first+2]; false when any is missing or not a number.
bool ParseVec(const Args &a, size_t first, Vec3 &out) {
    for (size_t i = 0; i < 3; ++i)
        if (first + i >= a.size() || !ParseNumber(a[first + i], out[i])) return false;
    return true;
}

bool ParseIndex(const std::string &text, int &out) {
    double v = 0.0;
    if (!ParseNumber(text, v) || v != std::floor(v) || std::fabs(v) > 2e9) return false;
    out = int(v);
    return true;
}

CommandResult CmdSet(Host &h, const Args &a) {
    if (a[0].empty()) return Fail("tool.set needs a tool name");
    if (a[1].empty() || a[1] == "on") return h.Tools().Activate(a[0]);
    if (a[1] != "off") return Fail("tool.set takes \"on\" or \"off\", not \"" + a[1] + "\"");
    if (h.Tools().Active() && h.Tools().ActiveName() == a[0]) return h.Tools().Deactivate(true);
    return {};
}

CommandResult CmdView(Host &h, const Args &a) {
    if (CommandResult range = RefuseBeyondSinglePrecision(a); !range.ok()) return range;
    ToolView &view = h.Tools().view;
    if (!a[0].empty()) {
        int type = -1;
        if (a[0] == "3d" || a[0] == "3D") type = LXi_VIEWTYPE_3D;
        if (a[0] == "uv" || a[0] == "UV") type = LXi_VIEWTYPE_UV;
        if (type < 0 && !ParseIndex(a[0], type)) return Fail("tool.view type is 3d, uv or a number");
        view.type = type;
    }
    if (!a[1].empty()) {
        double scale = 0.0;
        if (!ParseNumber(a[1], scale) || scale <= 0.0)
            return Fail("tool.view scale must be a positive number of pixels per metre");
        view.pixelScale = scale;
    }
    if (!a[2].empty() || !a[3].empty() || !a[4].empty()) {
        Vec3 eye;
        if (!ParseVec(a, 2, eye)) return Fail("tool.view needs the eye position as three numbers");
        view.eye = eye;
    }
    h.Tools().Refresh();
    return {};
}

/// Modifier keys as a number or names joined by '|' ("ctrl", "shift|alt").
bool ParseModifiers(const std::string &text, unsigned &out) {
    int number = 0;
    if (ParseIndex(text, number) && number >= 0) {
        out = unsigned(number);
        return true;
    }
    out = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('|', start);
        std::string key = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (key == "shift")
            out |= PressOptions::kShift;
        else if (key == "alt")
            out |= PressOptions::kAlt;
        else if (key == "ctrl")
            out |= PressOptions::kCtrl;
        else
            return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

/// The press's button, modifiers and named hit polygon from arguments 4 to 7.
CommandResult ParsePressOptions(Host &h, const Args &a, PressOptions &options) {
    if (!a[4].empty()) {
        int b = 0;
        if (!ParseIndex(a[4], b) || b < 0 || b > 2) return Fail("tool.press button must be 0, 1 or 2");
        options.button = unsigned(b);
    }
    if (!a[5].empty() && !ParseModifiers(a[5], options.modifiers))
        return Fail("tool.press mode is a number or modifier keys (shift, alt, ctrl joined by |)");
    if (a[6].empty() != a[7].empty()) return Fail("tool.press needs both hitMesh and hitPolygon");
    if (a[6].empty()) return {};
    std::string why;
    options.hitItem = h.scene.FindByKey(a[6], why);
    if (!options.hitItem) return Fail("tool.press: " + why);
    if (!options.hitItem->mesh) return Fail("tool.press: \"" + a[6] + "\" is not a mesh item");
    int polygon = -1;
    if (!ParseIndex(a[7], polygon) || polygon < 0 ||
        unsigned(polygon) >= options.hitItem->mesh->PolygonCount())
        return Fail("tool.press: " + a[6] + " has no polygon " + a[7]);
    options.hitPolygon = uint32_t(polygon);
    return {};
}

CommandResult CmdPress(Host &h, const Args &a) {
    if (CommandResult range = RefuseBeyondSinglePrecision(a); !range.ok()) return range;
    PressOptions options;
    CommandResult parsed = ParsePressOptions(h, a, options);
    if (!parsed.ok()) return parsed;
    if (!a[3].empty()) {
        int part = 0;
        if (!ParseIndex(a[3], part)) return Fail("tool.press part must be an integer");
        return h.Tools().PressPart(part, options);
    }
    Vec3 pos;
    if (!ParseVec(a, 0, pos)) return Fail("tool.press needs part:N or a position X Y Z");
    return h.Tools().PressAt(pos, options);
}

CommandResult CmdDrag(Host &h, const Args &a) {
    if (CommandResult range = RefuseBeyondSinglePrecision(a); !range.ok()) return range;
    Vec3 pos;
    if (!ParseVec(a, 0, pos)) return Fail("tool.drag needs a position X Y Z");
    return h.Tools().Drag(pos);
}

CommandResult CmdWorkPlane(Host &h, const Args &a) {
    if (CommandResult range = RefuseBeyondSinglePrecision(a); !range.ok()) return range;
    WorkPlane plane;
    if (a[0] != "reset") {
        Vec3 degrees{0, 0, 0};
        if (!ParseVec(a, 0, plane.origin))
            return Fail("tool.workPlane needs X Y Z [rotX rotY rotZ] or reset");
        if ((!a[3].empty() || !a[4].empty() || !a[5].empty()) && !ParseVec(a, 3, degrees))
            return Fail("tool.workPlane rotation needs three angles in degrees");
        for (int i = 0; i < 3; ++i) plane.rotation[i] = degrees[i] * 3.141592653589793 / 180.0;
    }
    h.Tools().workPlane = plane;
    h.Tools().Refresh();
    return {};
}

CommandResult CmdActionCenter(Host &h, const Args &a) {
    if (CommandResult range = RefuseBeyondSinglePrecision(a); !range.ok()) return range;
    Vec3 c;
    if (!ParseVec(a, 0, c)) return Fail("tool.actionCenter needs X Y Z");
    h.Tools().actionCenter = c;
    h.Tools().Refresh();
    return {};
}

CommandResult CmdAxis(Host &h, const Args &a) {
    int axis = -1;
    if (a[0] == "x" || a[0] == "X") axis = 0;
    if (a[0] == "y" || a[0] == "Y") axis = 1;
    if (a[0] == "z" || a[0] == "Z") axis = 2;
    if (axis < 0 && (!ParseIndex(a[0], axis) || axis < 0 || axis > 2))
        return Fail("tool.axis takes 0, 1 or 2 (X, Y, Z)");
    h.Tools().axis = axis;
    h.Tools().Refresh();
    return {};
}

}  // namespace

void RegisterToolCommands(Host &host) {
    using S = std::pair<std::string, std::string>;
    auto add = [&host](const char *name, std::vector<S> args, CommandResult (*fn)(Host &, const Args &)) {
        host.RegisterCommand(
            {name, std::move(args), [fn](Host &h, const Args &a) { return fn(h, a); }, nullptr});
    };
    add("tool.set", {S{"name", "string"}, S{"mode", "string"}}, &CmdSet);
    add("tool.attr", {S{"name", "string"}, S{"attr", "string"}, S{"value", "string"}},
        [](Host &h, const Args &a) { return h.Tools().SetAttribute(a[0], a[1], a[2]); });
    add("tool.doApply", {}, [](Host &h, const Args &) { return h.Tools().Deactivate(true); });
    add("tool.drop", {}, [](Host &h, const Args &) { return h.Tools().Deactivate(false); });
    add("tool.reset", {S{"name", "string"}}, [](Host &h, const Args &a) {
        std::string name = a[0].empty() ? h.Tools().ActiveName() : a[0];
        if (name.empty()) return Fail("tool.reset needs a tool name");
        return h.Tools().Reset(name);
    });
    add("tool.view",
        {S{"type", "string"}, S{"scale", "float"}, S{"eyeX", "float"}, S{"eyeY", "float"},
         S{"eyeZ", "float"}},
        &CmdView);
    add("tool.press",
        {S{"x", "distance"}, S{"y", "distance"}, S{"z", "distance"}, S{"part", "integer"},
         S{"button", "integer"}, S{"mode", "string"}, S{"hitMesh", "string"}, S{"hitPolygon", "integer"}},
        &CmdPress);
    add("tool.drag", {S{"x", "distance"}, S{"y", "distance"}, S{"z", "distance"}}, &CmdDrag);
    add("tool.release", {}, [](Host &h, const Args &) { return h.Tools().Release(); });
    add("tool.workPlane",
        {S{"cenX", "distance"}, S{"cenY", "distance"}, S{"cenZ", "distance"}, S{"rotX", "angle"},
         S{"rotY", "angle"}, S{"rotZ", "angle"}},
        &CmdWorkPlane);
    add("tool.actionCenter", {S{"x", "distance"}, S{"y", "distance"}, S{"z", "distance"}}, &CmdActionCenter);
    add("tool.axis", {S{"axis", "string"}}, &CmdAxis);
}

}  // namespace gorva::host
