// Fuzz target: random sessions of every registered tool on generated meshes. In random order:
// activate a tool, press at random positions or on the parts it drew, drag, release, set random
// values (extremes included) on attributes from the tool's own attribute table, move the work plane,
// action centre, axis or reference system, change the selection, picture it, apply or drop.
// Every step is checked (invariants, a failure changes nothing); when the session ends, rolling back
// the savepoint opened before it gives the scene back bit for bit.
#include <cstdio>

#include "fuzz/fuzz_support.hpp"
#include "host/tool_runtime/tool_host.hpp"

using namespace gorva::host;
using gorva::fuzz::AttributeInfo;

namespace {

struct ToolTable {
    std::string name;
    std::vector<AttributeInfo> attributes;
};

const std::vector<ToolTable> &Tools(Host &host) {
    static std::vector<ToolTable> tools;
    if (tools.empty())
        for (const auto &name : gorva::fuzz::ToolNames(host))
            tools.push_back({name, gorva::fuzz::Attributes(host, name)});
    return tools;
}

std::string Position(FuzzedDataProvider &in) {
    std::string text;
    for (int i = 0; i < 3; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " %.9g", double(gorva::fuzz::Coordinate(in)));
        text +=
            in.ConsumeIntegralInRange<int>(0, 7) == 0 ? " " + gorva::fuzz::NumberText(in) : std::string(buf);
    }
    return text;
}

/// A part the active tool drew last (handle or stroke), or a random number.
std::string DrawnPart(FuzzedDataProvider &in, Host &host) {
    std::vector<int> parts;
    for (const auto &h : host.Tools().Drawing().handles) parts.push_back(h.part);
    for (const auto &s : host.Tools().Drawing().strokes) parts.push_back(s.part);
    if (parts.empty() || in.ConsumeIntegralInRange<int>(0, 5) == 0)
        return std::to_string(in.ConsumeIntegralInRange<int>(-2, 40));
    return std::to_string(parts[in.ConsumeIntegralInRange<size_t>(0, parts.size() - 1)]);
}

/// Nothing, or a named hit on a random polygon (of range too) of a random item.
std::string HitOption(FuzzedDataProvider &in, Host &host) {
    const auto &items = host.scene.Items();
    if (items.empty() || in.ConsumeIntegralInRange<int>(0, 2)) return "";
    const auto &item = items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)];
    return " hitMesh:@" + item->ident +
           " hitPolygon:" + std::to_string(in.ConsumeIntegralInRange<int>(-1, 12));
}

std::string AttributeLine(FuzzedDataProvider &in, Host &host, const ToolTable &tool) {
    if (tool.attributes.empty()) return "tool.reset " + tool.name;
    const AttributeInfo &attr =
        tool.attributes[in.ConsumeIntegralInRange<size_t>(0, tool.attributes.size() - 1)];
    return "tool.attr " + tool.name + " " + attr.name + " \"" + gorva::fuzz::AttributeValue(in, attr) + "\"";
}

std::string ViewportLine(FuzzedDataProvider &in, Host &host) {
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0:
            return "tool.workPlane" + Position(in) + Position(in);
        case 1:
            return "tool.workPlane reset";
        case 2:
            return "tool.actionCenter" + Position(in);
        case 3:
            return "tool.axis " + std::to_string(in.ConsumeIntegralInRange<int>(-1, 3));
        case 4: {
            const auto &items = host.scene.Items();
            if (items.empty() || in.ConsumeBool()) return "item.refSystem \"\"";
            return "item.refSystem @" + items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)]->ident;
        }
        default:
            return "tool.view " + std::string(in.ConsumeBool() ? "3d" : "uv") + " " +
                   gorva::fuzz::NumberText(in) + Position(in);
    }
}

std::string SelectionLine(FuzzedDataProvider &in) {
    static const char *const types[] = {"vertex", "edge", "polygon"};
    static const char *const modes[] = {"set", "add", "remove"};
    std::string line = "select.element " + std::to_string(in.ConsumeIntegralInRange<int>(0, 3)) + " " +
                       in.PickValueInArray(types) + " " + in.PickValueInArray(modes) + " " +
                       std::to_string(in.ConsumeIntegralInRange<int>(0, 12));
    return line + " " + std::to_string(in.ConsumeIntegralInRange<int>(0, 12));
}

/// One random step of a session.
std::string SessionLine(FuzzedDataProvider &in, Host &host) {
    const auto &tools = Tools(host);
    const ToolTable &tool = tools[in.ConsumeIntegralInRange<size_t>(0, tools.size() - 1)];
    static const char *const modes[] = {"",          " mode:shift", " mode:ctrl",
                                        " mode:alt", " button:1",   " button:2"};
    if (!host.Tools().Active() && in.ConsumeBool()) return "tool.set " + tool.name + " on";
    switch (in.ConsumeIntegralInRange<int>(0, 13)) {
        case 0:
        case 1:
            return "tool.set " + tool.name + " on";
        case 2:
        case 3:
            return "tool.press" + Position(in) + in.PickValueInArray(modes) + HitOption(in, host);
        case 4:
            return "tool.press part:" + DrawnPart(in, host) + in.PickValueInArray(modes);
        case 5:
        case 6:
            return "tool.drag" + Position(in);
        case 7:
            return "tool.release";
        case 8:
        case 9:
            return AttributeLine(in, host, tool);
        case 10:
            return in.ConsumeBool() ? "tool.doApply" : "tool.drop";
        case 11:
            return ViewportLine(in, host);
        case 12:
            return in.ConsumeIntegralInRange<int>(0, 3) ? SelectionLine(in)
                                                        : "render tool.png width:64 height:48";
        default:
            return "tool.reset " + tool.name;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    auto host = gorva::fuzz::NewHost();
    if (Tools(*host).empty()) return 0;
    gorva::fuzz::GenerateScene(in, *host);
    gorva::fuzz::GenerateSettings(in, *host);
    gorva::fuzz::CheckInvariants(*host, "the generated scene");
    const std::string before = gorva::fuzz::Capture(*host, false);
    Journal::Token session = host->journal.Begin();
    int steps = in.ConsumeIntegralInRange<int>(1, 40);
    for (int s = 0; s < steps && in.remaining_bytes(); ++s)
        gorva::fuzz::CheckedStep(*host, SessionLine(in, *host), false);
    gorva::fuzz::CheckedStep(*host, in.ConsumeBool() ? "tool.doApply" : "tool.drop", false);
    host->journal.Rollback(session);
    gorva::fuzz::CheckInvariants(*host, "the session rolled back");
    if (gorva::fuzz::Capture(*host, false) != before)
        gorva::fuzz::Finding("the session rolled back", "the scene differs from the one before the session");
    return 0;
}
