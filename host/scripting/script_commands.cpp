#include "host/scripting/script_commands.hpp"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "host/host.hpp"
#include "host/base/numbers.hpp"
#include "host/io/obj_io.hpp"
#include "host/io/scene_files.hpp"
#include "host/pictures/render.hpp"
#include "host/scripting/scene_dump.hpp"
#include "host/tool_runtime/tool_overlay.hpp"

namespace gorva::host {

namespace {

using Args = std::vector<std::string>;

const double kRadians = 3.14159265358979323846 / 180.0;

CommandResult Fail(const std::string &text) {
    return {LXe_FAILED, text};
}
CommandResult BadArg(const std::string &text) {
    return {LXe_INVALIDARG, text};
}

/// A real number under the host's number rules (ReadNumber); false with the reason.
bool ToNumber(const std::string &text, double &out, std::string &reason) {
    return ReadNumber(text, NumberKind::kReal, out, reason);
}

/// A whole number under the host's number rules.
bool ToInteger(const std::string &text, long &out, std::string &reason) {
    double value = 0.0;
    if (!ReadNumber(text, NumberKind::kWhole, value, reason)) return false;
    out = long(value);
    return true;
}

bool ToInteger(const std::string &text, long &out) {
    std::string reason;
    return ToInteger(text, out, reason);
}

}  // namespace

ItemData *FindItemByName(Host &h, const std::string &key, CommandResult &result) {
    std::string why;
    ItemData *item = h.scene.FindByKey(key, why);
    if (!item) result = key.empty() ? BadArg(why) : Fail(why);
    return item;
}

namespace {

ItemData *FindItem(Host &h, const std::string &key, CommandResult &result) {
    return FindItemByName(h, key, result);
}

/// "set", "add" or "remove" (empty means set); -1 for anything else.
int SelectMode(const std::string &mode) {
    if (mode.empty() || mode == "set") return 0;
    if (mode == "add") return 1;
    if (mode == "remove") return 2;
    return -1;
}

/// Runs a file operation `fn(h, path, error)` on the command's path argument.
template <class FileOperation>
CommandResult PathCommand(const Args &a, const char *what, FileOperation fn, Host &h) {
    if (a[0].empty()) return BadArg(std::string(what) + " needs a file path");
    std::string error;
    if (!fn(h, a[0], error)) return Fail(error);
    return {};
}

CommandResult ItemCreate(Host &h, const Args &a) {
    int type = ItemTypeCode(a[0]);
    if (type < 0 || a[0] == "lightMaterial") return BadArg("unknown item type \"" + a[0] + "\"");
    ItemData *item = h.scene.AddItem(type, a[1]);
    if (!item) return Fail("cannot create a " + a[0]);
    // A new mesh is ready for editing, as in the application.
    if (item->mesh) h.SetActive(*item, true);
    return {};
}

CommandResult ItemTransform(Host &h, const Args &a) {
    CommandResult result;
    ItemData *item = FindItem(h, a[0], result);
    if (!item) return result;
    if (a[1] != "pos" && a[1] != "rot" && a[1] != "scl")
        return BadArg("transform must be pos, rot or scl, not \"" + a[1] + "\"");
    if (item->ChannelIndex(a[1] + ".X") < 0) return Fail(item->name + " has no transform");
    static const char *axes[3] = {".X", ".Y", ".Z"};
    double values[3];
    // Channels hold what single precision holds, so that every saved position reads back.
    std::string reason;
    for (int i = 0; i < 3; ++i)
        if (!ToNumber(a[size_t(i) + 2], values[i], reason)) return BadArg(reason);
    for (int i = 0; i < 3; ++i) {
        double v = a[1] == "rot" ? values[i] * kRadians : values[i];
        h.scene.SetChannel(*item, unsigned(item->ChannelIndex(a[1] + axes[i])), v);
    }
    return {};
}

CommandResult ItemParent(Host &h, const Args &a) {
    CommandResult result;
    ItemData *item = FindItem(h, a[0], result);
    if (!item) return result;
    ItemData *parent = nullptr;
    if (!a[1].empty() && !(parent = FindItem(h, a[1], result))) return result;
    if (!h.scene.SetParent(*item, parent)) return Fail(item->name + " cannot be parented to its own child");
    return {};
}

CommandResult SelectItem(Host &h, const Args &a) {
    CommandResult result;
    ItemData *item = FindItem(h, a[0], result);
    if (!item) return result;
    int mode = SelectMode(a[1]);
    if (mode < 0) return BadArg("mode must be set, add or remove, not \"" + a[1] + "\"");
    if (mode == 0) h.selection.Clear(kSelItem);
    if (mode == 2)
        h.selection.DeselectItem(*item);
    else
        h.selection.SelectItem(*item);
    return {};
}

int SelTypeArg(const std::string &name) {
    int type = SelTypeFromName(name.c_str());
    return type == kSelScene ? -1 : type;
}

CommandResult SelectElement(Host &h, const Args &a) {
    long layer = -1, i0 = -1, i1 = -1;
    auto layers = h.ActiveLayers();
    if (!ToInteger(a[0], layer) || layer < 0 || size_t(layer) >= layers.size())
        return BadArg("layer \"" + a[0] + "\" is not an index of the " + std::to_string(layers.size()) +
                      " active layers");
    int type = SelTypeArg(a[1]);
    if (type != kSelVertex && type != kSelEdge && type != kSelPolygon)
        return BadArg("element type must be vertex, edge or polygon, not \"" + a[1] + "\"");
    int mode = SelectMode(a[2]);
    if (mode < 0) return BadArg("mode must be set, add or remove, not \"" + a[2] + "\"");
    if (!ToInteger(a[3], i0) || i0 < 0) return BadArg("\"" + a[3] + "\" is not an element index");
    if (type == kSelEdge && (!ToInteger(a[4], i1) || i1 < 0))
        return BadArg("an edge needs its two vertex indices");
    if (type != kSelEdge && !a[4].empty()) return BadArg("only an edge takes a second index");
    MeshData &mesh = *layers[size_t(layer)]->mesh;
    uint32_t count = type == kSelPolygon ? mesh.PolygonCount() : mesh.PointCount();
    if (uint64_t(i0) >= count || (type == kSelEdge && uint64_t(i1) >= count))
        return Fail(std::string(SelTypeName(SelType(type))) + " index out of range (" +
                    std::to_string(count) + " in " + layers[size_t(layer)]->name + ")");
    if (type == kSelEdge && mesh.FindEdge(uint32_t(i0), uint32_t(i1)) == MeshData::kNone)
        return Fail("no edge between vertices " + a[3] + " and " + a[4] + " in " +
                    layers[size_t(layer)]->name);
    if (mode == 0) h.selection.Clear(SelType(type));
    h.selection.SetCurrent(SelType(type));
    uint32_t e0 = uint32_t(i0), e1 = uint32_t(i1);
    if (type == kSelVertex)
        mode == 2 ? h.selection.DeselectVertex(mesh, e0) : h.selection.SelectVertex(mesh, e0);
    if (type == kSelEdge)
        mode == 2 ? h.selection.DeselectEdge(mesh, e0, e1) : h.selection.SelectEdge(mesh, e0, e1);
    if (type == kSelPolygon)
        mode == 2 ? h.selection.DeselectPolygon(mesh, e0) : h.selection.SelectPolygon(mesh, e0);
    return {};
}

CommandResult LayerActive(Host &h, const Args &a) {
    CommandResult result;
    ItemData *item = FindItem(h, a[0], result);
    if (!item) return result;
    if (!item->mesh) return Fail(item->name + " is not a mesh");
    if (a[1] != "on" && a[1] != "off" && !a[1].empty())
        return BadArg("state must be on or off, not \"" + a[1] + "\"");
    h.SetActive(*item, a[1] != "off");
    return {};
}

CommandResult LayerPrimary(Host &h, const Args &a) {
    CommandResult result;
    ItemData *item = FindItem(h, a[0], result);
    if (!item) return result;
    if (!item->mesh) return Fail(item->name + " is not a mesh");
    h.SetActive(*item, true);
    h.SetPrimary(item);
    return {};
}

CommandResult Render(Host &h, const Args &a) {
    if (a[0].empty()) return BadArg("render needs a .png or .svg path");
    static const char *names[] = {"view", "width", "height", "fit", "eye", "target"};
    ViewOptions opts;
    std::string error;
    for (size_t i = 0; i < 6; ++i)
        if (!a[i + 1].empty() && !SetViewOption(opts, names[i], a[i + 1], error)) return BadArg(error);
    // The active tool is drawn afresh so that the picture shows its handles and labels as they are.
    std::vector<OverlayShape> overlay;
    if (h.Tools().Active()) overlay = ToolOverlay(h.Tools().Redraw());
    if (!RenderScene(h, a[0], opts, error, overlay)) return Fail(error);
    return {};
}

using Def = HostCommandDef;

}  // namespace

void RegisterScriptCommands(Host &host) {
    host.RegisterCommand(Def{"scene.new",
                             {},
                             [](Host &h, const Args &) {
                                 h.NewScene();
                                 return CommandResult{};
                             },
                             nullptr});
    host.RegisterCommand(
        Def{"scene.open",
            {{"path", "filename"}},
            [](Host &h, const Args &a) { return PathCommand(a, "scene.open", OpenSceneFile, h); },
            nullptr});
    host.RegisterCommand(
        Def{"scene.saveAs",
            {{"path", "filename"}},
            [](Host &h, const Args &a) { return PathCommand(a, "scene.saveAs", SaveSceneFile, h); },
            nullptr});
    host.RegisterCommand(
        Def{"scene.dump",
            {{"path", "filename"}},
            [](Host &h, const Args &a) { return PathCommand(a, "scene.dump", WriteSceneDump, h); },
            nullptr});
    host.RegisterCommand(Def{"item.create", {{"type", "string"}, {"name", "string"}}, ItemCreate, nullptr});
    host.RegisterCommand(
        Def{"item.transform",
            {{"item", "string"}, {"transform", "string"}, {"x", "float"}, {"y", "float"}, {"z", "float"}},
            ItemTransform,
            nullptr});
    host.RegisterCommand(Def{"item.parent", {{"item", "string"}, {"parent", "string"}}, ItemParent, nullptr});
    host.RegisterCommand(Def{"select.item", {{"item", "string"}, {"mode", "string"}}, SelectItem, nullptr});
    host.RegisterCommand(Def{"select.typeFrom",
                             {{"type", "string"}},
                             [](Host &h, const Args &a) {
                                 int type = SelTypeArg(a[0]);
                                 if (type < 0) return BadArg("unknown selection type \"" + a[0] + "\"");
                                 h.selection.SetCurrent(SelType(type));
                                 return CommandResult{};
                             },
                             nullptr});
    host.RegisterCommand(Def{"select.element",
                             {{"layer", "integer"},
                              {"type", "string"},
                              {"mode", "string"},
                              {"index", "integer"},
                              {"index2", "integer"}},
                             SelectElement,
                             nullptr});
    host.RegisterCommand(Def{"select.drop",
                             {{"type", "string"}},
                             [](Host &h, const Args &a) {
                                 int type = SelTypeArg(a[0]);
                                 if (type < 0) return BadArg("unknown selection type \"" + a[0] + "\"");
                                 h.selection.Drop(SelType(type));
                                 return CommandResult{};
                             },
                             nullptr});
    host.RegisterCommand(
        Def{"layer.active", {{"item", "string"}, {"state", "string"}}, LayerActive, nullptr});
    host.RegisterCommand(Def{"layer.primary", {{"item", "string"}}, LayerPrimary, nullptr});
    host.RegisterCommand(Def{"host.abortAt",
                             {{"step", "integer"}},
                             [](Host &h, const Args &a) {
                                 long step = 0;
                                 if (!ToInteger(a[0], step) || step < -1 || step > 1000000000)
                                     return BadArg("step must be a whole number from -1 (never) up, not \"" +
                                                   a[0] + "\"");
                                 h.abortAtStep = int(step);
                                 return CommandResult{};
                             },
                             nullptr});
    host.RegisterCommand(Def{"host.version",
                             {{"version", "integer"}},
                             [](Host &h, const Args &a) {
                                 long version = 0;
                                 if (!ToInteger(a[0], version) || version < 0 || version > 1000000)
                                     return BadArg("version must be a whole number, not \"" + a[0] + "\"");
                                 h.version = int(version);
                                 return CommandResult{};
                             },
                             nullptr});
    host.RegisterCommand(Def{"render",
                             {{"path", "filename"},
                              {"view", "string"},
                              {"width", "integer"},
                              {"height", "integer"},
                              {"fit", "float"},
                              {"eye", "string"},
                              {"target", "string"}},
                             Render,
                             nullptr});
}

}  // namespace gorva::host
