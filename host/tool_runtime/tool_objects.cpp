// Host objects behind the SDK's tool surface: the packet service, tool vectors, the adjust-tool
// and event-translation objects, and the draw object that records handles, strokes and texts.
#include <cmath>

#include "host/bridge/glue/glue_command.hpp"
#include "host/bridge/glue/glue_draw.hpp"
#include "host/bridge/glue/glue_handles.hpp"
#include "host/bridge/glue/glue_vector.hpp"
#include "host/bridge/glue/glue_vmodel.hpp"
#include "host/tool_runtime/tool_host.hpp"

#include <lxdraw.h>

namespace gorva::host {

namespace {

/// The packets a tool asks for, as offsets of ToolHost::PacketNames() with their flags.
class VectorTypeObj final : public IfcVectorType {
public:
    explicit VectorTypeObj(std::string category) : m_category(std::move(category)) {}
    const char *Category() override { return m_category.c_str(); }
    unsigned Test(unsigned offset) override {
        for (const auto &p : m_packets)
            if (p.first == offset) return p.second;
        return 0;
    }
    unsigned Count(unsigned) override { return unsigned(m_packets.size()); }
    unsigned ByIndex(unsigned, unsigned index, unsigned *flags) override {
        if (index >= m_packets.size()) return 0;
        if (flags) *flags = m_packets[index].second;
        return m_packets[index].first;
    }
    void Add(unsigned offset, unsigned flags) {
        for (auto &p : m_packets)
            if (p.first == offset) {
                p.second |= flags;
                return;
            }
        m_packets.emplace_back(offset, flags);
    }
    const std::string &CategoryName() const { return m_category; }

private:
    std::string m_category;
    std::vector<std::pair<unsigned, unsigned>> m_packets;
};

int PacketIndex(const char *name) {
    const auto &names = ToolHost::PacketNames();
    for (size_t i = 0; name && i < names.size(); ++i)
        if (names[i] == name) return int(i);
    return -1;
}

bool IsToolCategory(const char *category) {
    return category && std::string(category) == LXsCATEGORY_TOOL;
}

class PacketServiceObj final : public IfcPacketService {
public:
    LxResult CreateVectorType(const char *category, void **ppvObj) override {
        if (!category) return LXe_INVALIDARG;
        return HandOut(new VectorTypeObj(category), ppvObj);
    }
    LxResult AddPacket(LXtObjectID vectorType, const char *name, unsigned flags) override {
        VectorTypeObj *vt = HostSide<VectorTypeObj>(vectorType);
        if (!vt) return LXe_INVALIDARG;
        const int index = PacketIndex(name);
        if (vt->CategoryName() != LXsCATEGORY_TOOL || index < 0) return LXe_NOTFOUND;
        vt->Add(unsigned(index), flags);
        return LXe_OK;
    }
    LxResult Lookup(const char *category, const char *name, unsigned *offset) override {
        int index = PacketIndex(name);
        if (!IsToolCategory(category) || index < 0) return LXe_NOTFOUND;
        *offset = unsigned(index);
        return LXe_OK;
    }
    LxResult Name(const char *category, unsigned offset, const char **name) override {
        if (!IsToolCategory(category) || offset >= ToolHost::PacketNames().size()) return LXe_NOTFOUND;
        *name = ToolHost::PacketNames()[offset].c_str();
        return LXe_OK;
    }
    void *FastPacket(LXtObjectID vector, unsigned offset) override {
        void *packet = nullptr;
        auto vt = VtOf<ILxVectorStack>(vector);
        return vector && LXx_OK(vt->Readable(vector, offset, &packet)) ? packet : nullptr;
    }
};

class VectorStackObj final : public IfcVectorStack {
public:
    explicit VectorStackObj(ToolHost &tools) : m_tools(tools) {}
    void *Optional(unsigned offset) override {
        void *packet = nullptr;
        return LXx_OK(Readable(offset, &packet)) ? packet : nullptr;
    }
    LxResult Readable(unsigned offset, void **packet) override {
        *packet = nullptr;
        if (!m_tools.Requested(offset)) return LXe_NOTFOUND;
        const ToolPackets &p = m_tools.Packets();
        const std::string &name = ToolHost::PacketNames()[offset];
        const void *found = nullptr;
        if (name == LXsP_TOOL_VIEW_EVENT) found = &p.view;
        if (name == LXsP_TOOL_INPUT_EVENT) found = &p.input;
        if (name == LXsP_TOOL_ACTCENTER) found = &p.actionCenter;
        if (name == LXsP_TOOL_AXIS) found = &p.axis;
        if (name == LXsP_TOOL_HIT_EVENT) found = &p.hit;
        if (name == LXsP_TOOL_XFRM) found = &p.xfrm;
        if (name == LXsP_TOOL_SCREEN_EVENT) found = &p.screen;
        // An object packet is the object itself, whose first interface is the packet's.
        if (name == LXsP_TOOL_EVENTTRANS) found = m_tools.EventTranslateObject();
        if (!found) return LXe_NOTFOUND;
        *packet = const_cast<void *>(found);
        return LXe_OK;
    }

private:
    ToolHost &m_tools;
};

class AdjustToolObj final : public IfcAdjustTool {
public:
    AdjustToolObj(ToolHost &, LXtObjectID attributes) : m_attrs(attributes) {}
    void SetInt(unsigned index, int value) override { m_attrs.SetInt(index, value); }
    void SetFlt(unsigned index, double value) override {
        if (std::isfinite(value)) m_attrs.SetFlt(index, value);
    }
    void SetString(unsigned index, const char *value) override {
        if (value) m_attrs.SetString(index, value);
    }

private:
    AttributesRef m_attrs;
};

class EventTranslateObj final : public IfcEventTranslatePacket {
public:
    explicit EventTranslateObj(ToolHost &tools) : m_tools(tools) {}
    void HitHandle(LXtObjectID, LXtVector pos) override {
        m_tools.TranslateHitHandle({pos[0], pos[1], pos[2]}, nullptr);
    }
    void SetLinearConstraint(LXtObjectID, LXtVector pos, LXtVector dir) override {
        Vec3 d{dir[0], dir[1], dir[2]};
        m_tools.TranslateHitHandle({pos[0], pos[1], pos[2]}, &d);
    }
    /// Leaves `pos` as it is when the mouse has no new position for the handle.
    void GetNewPosition(LXtObjectID, LXtVector pos) override {
        Vec3 p;
        if (!m_tools.TranslateNewPosition(p)) return;
        pos[0] = p[0], pos[1] = p[1], pos[2] = p[2];
    }

private:
    ToolHost &m_tools;
};

class UIHintsObj final : public IfcUIHints {
public:
    explicit UIHintsObj(AttributeLimits &limits) : m_limits(limits) {}
    LxResult MinInt(int value) override { return Set(value, m_limits.minimum, m_limits.hasMinimum); }
    LxResult MaxInt(int value) override { return Set(value, m_limits.maximum, m_limits.hasMaximum); }
    LxResult MinFloat(double value) override { return Set(value, m_limits.minimum, m_limits.hasMinimum); }
    LxResult MaxFloat(double value) override { return Set(value, m_limits.maximum, m_limits.hasMaximum); }

private:
    static LxResult Set(double value, double &limit, bool &has) {
        if (!std::isfinite(value)) return LXe_INVALIDARG;
        limit = value, has = true;
        return LXe_OK;
    }
    AttributeLimits &m_limits;
};

Vec3 ToVec(const LXtVector v) {
    return {v[0], v[1], v[2]};
}

Vec3 Row(const LXtMatrix m, int axis) {
    if (!m || axis < 0 || axis > 2)
        return {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
    return {m[axis][0], m[axis][1], m[axis][2]};
}

/// Records what a tool draws, in world space. Handle matrices hold the handle's axes as rows; an
/// axis handle points along the row its axis names.
class DrawObj final : public IfcStrokeDraw, public IfcHandleDraw, public IfcView {
public:
    DrawObj(ToolHost &tools, bool test) : m_tools(tools), m_test(test) {}

    // handles
    void Handle(const LXtVector pos, const LXtMatrix mat, int part, int flags) override {
        AddHandle(DrawnHandle::General, pos, mat, part, flags);
    }
    void AxisHandle(const LXtVector pos, const LXtMatrix mat, int axis, int part, double len,
                    int flags) override {
        AddHandle(DrawnHandle::Axis, pos, nullptr, part, flags);
        const Vec3 local = Row(mat, axis);
        Vec3 a = m_tools.ToolToWorldDirection(local);
        m_tools.Recording().handles.back().axis = Normalize(a, local);
        m_tools.Recording().handles.back().length = len * Length(a) / std::fmax(Length(local), 1e-300);
    }
    void MoveHandle(const LXtVector pos, const LXtMatrix mat, int, int part, int flags) override {
        AddHandle(DrawnHandle::Move, pos, mat, part, flags);
    }
    void PointHandle(const LXtVector pos, int part, int flags) override {
        AddHandle(DrawnHandle::Point, pos, nullptr, part, flags);
    }

    // strokes
    void Begin(int type, const LXtVector colour, double alpha) override {
        BeginWD(type, colour, alpha, 1.0, 0);
    }
    void BeginW(int type, const LXtVector colour, double alpha, double width) override {
        BeginWD(type, colour, alpha, width, 0);
    }
    void BeginWD(int type, const LXtVector colour, double alpha, double width, int dash) override {
        m_type = type;
        m_colour = ToVec(colour);
        m_alpha = alpha;
        m_last = {};
        if (type == LXiSTROKE_TEXT) return;
        DrawnStroke s;
        s.type = type;
        s.colour = m_colour;
        s.alpha = alpha;
        s.width = width;
        s.dash = dash;
        s.part = m_part;
        m_tools.Recording().strokes.push_back(s);
    }
    void Vertex(const LXtVector pos, int flags) override { Vertex3(pos[0], pos[1], pos[2], flags); }
    /// A relative vertex is an offset from the previous one; screen placement is taken as absolute.
    void Vertex3(double x, double y, double z, int flags) override {
        Vec3 p{x, y, z};
        if (flags & LXiSTROKE_RELATIVE) p = Add(m_last, p);
        m_last = p;
        ToolDrawing &d = m_tools.Recording();
        if (m_type == LXiSTROKE_TEXT) {
            if (!m_textPending || d.texts.empty()) return;
            d.texts.back().pos = m_tools.ToolToWorld(p);
            m_textPending = false;
            return;
        }
        if (!d.strokes.empty()) d.strokes.back().verts.push_back(m_tools.ToolToWorld(p));
    }
    void Text(const char *text, int justification) override {
        if (m_type != LXiSTROKE_TEXT) return;
        DrawnText t;
        t.text = text ? text : "";
        t.justification = justification;
        t.colour = m_colour;
        t.alpha = m_alpha;
        t.part = m_part;
        m_tools.Recording().texts.push_back(t);
        m_textPending = true;
    }
    void SetPart(int part) override { m_part = part; }

    // view, answered in tool space
    int Type() override { return m_tools.view.type; }
    double PixelScale() override { return m_tools.view.pixelScale * m_tools.ToolUnitLength(); }
    double EyeVector(const LXtVector pos, LXtVector eye) override {
        const Vec3 p = m_tools.ToolToWorld(ToVec(pos));
        const Vec3 world = m_tools.view.EyeVector(p);
        Vec3 e = Normalize(m_tools.WorldToToolDirection(world), world);
        eye[0] = e[0], eye[1] = e[1], eye[2] = e[2];
        return Length(Sub(m_tools.view.eye, p)) / std::fmax(m_tools.ToolUnitLength(), 1e-300);
    }
    void Matrix(LXtMatrix m) override {
        Vec3 axes[3];
        m_tools.view.Axes(axes[0], axes[1], axes[2]);
        for (int j = 0; j < 3; ++j) {
            Vec3 a = Normalize(m_tools.WorldToToolDirection(axes[j]), axes[j]);
            for (int i = 0; i < 3; ++i) m[i][j] = a[i];
        }
    }

private:
    void AddHandle(DrawnHandle::Kind kind, const LXtVector pos, const LXtMatrix xfrm, int part, int flags) {
        DrawnHandle h;
        h.kind = kind;
        h.pos = m_tools.ToolToWorld(ToVec(pos));
        if (xfrm)
            for (int j = 0; j < 3; ++j) {
                Vec3 column{xfrm[0][j], xfrm[1][j], xfrm[2][j]};
                Vec3 world = Normalize(m_tools.ToolToWorldDirection(column), column);
                for (int i = 0; i < 3; ++i) h.xfrm[i][j] = world[i];
            }
        h.part = part;
        h.flags = flags;
        m_tools.Recording().handles.push_back(h);
    }

    ToolHost &m_tools;
    bool m_test;
    int m_part = kNoPart;
    int m_type = 0;
    Vec3 m_colour{1, 1, 1};
    Vec3 m_last{};
    double m_alpha = 1.0;
    bool m_textPending = false;
};

}  // namespace

LXtObjectID NewPacketService() {
    return (new PacketServiceObj)->Hand();
}
LXtObjectID NewVectorStack(ToolHost &tools) {
    return (new VectorStackObj(tools))->Hand();
}
LXtObjectID NewAdjustTool(ToolHost &tools, LXtObjectID attributes) {
    return (new AdjustToolObj(tools, attributes))->Hand();
}
LXtObjectID NewEventTranslate(ToolHost &tools) {
    return (new EventTranslateObj(tools))->Hand();
}
LXtObjectID NewUIHints(AttributeLimits &limits) {
    return (new UIHintsObj(limits))->Hand();
}
LXtObjectID NewDrawObject(ToolHost &tools, bool test) {
    return (new DrawObj(tools, test))->Hand();
}

}  // namespace gorva::host
