// Host objects behind the SDK's tool surface: the packet service, tool vectors, the adjust-tool
// and event-translation objects, and the draw object that records handles, strokes and texts.
#include <cmath>

#include "host/bridge/com_object.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

namespace {

class VectorTypeObj final : public HostObject<VectorTypeObj, ILxVectorType> {
public:
    explicit VectorTypeObj(std::string category) : m_category(std::move(category)) {}
    LxResult Category(const char **category) override {
        *category = m_category.c_str();
        return LXe_OK;
    }
    LxResult Count(unsigned *count) override {
        *count = unsigned(m_packets.size());
        return LXe_OK;
    }
    LxResult ByIndex(unsigned index, const char **name, unsigned *flags) override {
        if (index >= m_packets.size()) return LXe_OUTOFBOUNDS;
        *name = m_packets[index].first.c_str();
        *flags = m_packets[index].second;
        return LXe_OK;
    }
    void Add(const std::string &name, unsigned flags) {
        for (auto &p : m_packets)
            if (p.first == name) {
                p.second |= flags;
                return;
            }
        m_packets.emplace_back(name, flags);
    }
    const std::string &CategoryName() const { return m_category; }

private:
    std::string m_category;
    std::vector<std::pair<std::string, unsigned>> m_packets;
};

int PacketIndex(const char *name) {
    const auto &names = ToolHost::PacketNames();
    for (size_t i = 0; name && i < names.size(); ++i)
        if (names[i] == name) return int(i);
    return -1;
}

class PacketServiceObj final : public HostObject<PacketServiceObj, ILxPacketService> {
public:
    LxResult NewVectorType(const char *category, void **ppvObj) override {
        if (!category) return LXe_INVALIDARG;
        return HandOut(new VectorTypeObj(category), ppvObj);
    }
    LxResult AddPacket(ILxUnknownID vectorType, const char *name, unsigned flags) override {
        VectorTypeObj *vt = HostSide<VectorTypeObj>(vectorType);
        if (!vt) return LXe_INVALIDARG;
        if (vt->CategoryName() != LXsCATEGORY_TOOL || PacketIndex(name) < 0) return LXe_NOTFOUND;
        vt->Add(name, flags);
        return LXe_OK;
    }
    LxResult Lookup(const char *category, const char *name, unsigned *offset) override {
        int index = PacketIndex(name);
        if (!category || std::string(category) != LXsCATEGORY_TOOL || index < 0) return LXe_NOTFOUND;
        *offset = unsigned(index);
        return LXe_OK;
    }
};

class VectorStackObj final : public HostObject<VectorStackObj, ILxVectorStack> {
public:
    explicit VectorStackObj(ToolHost &tools) : m_tools(tools) {}
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
        if (name == LXsP_TOOL_HITEVENT) found = &p.hit;
        if (name == LXsP_TOOL_XFRM) found = &p.xfrm;
        if (name == LXsP_TOOL_SCREEN_EVENT) found = &p.screen;
        if (name == LXsP_TOOL_EVENTTRANS) found = m_tools.EventTranslateObject();
        if (!found) return LXe_NOTFOUND;
        *packet = const_cast<void *>(found);
        return LXe_OK;
    }
    LxResult ReadableObject(unsigned offset, void **ppvObj) override {
        *ppvObj = nullptr;
        if (!m_tools.Requested(offset) || ToolHost::PacketNames()[offset] != LXsP_TOOL_EVENTTRANS)
            return LXe_NOTFOUND;
        ILxUnknownID obj = m_tools.EventTranslateObject();
        return obj->QueryInterface(ILxEventTranslatePacket::IID, ppvObj);
    }

private:
    ToolHost &m_tools;
};

class AdjustToolObj final : public HostObject<AdjustToolObj, ILxAdjustTool> {
public:
    AdjustToolObj(ToolHost &tools, ILxUnknownID attributes) { m_attrs.set(attributes); }
    LxResult SetInt(unsigned index, int value) override {
        return m_attrs.test() ? m_attrs.SetInt(index, value) : LXe_FAILED;
    }
    LxResult SetFlt(unsigned index, double value) override {
        if (!std::isfinite(value)) return LXe_INVALIDARG;
        return m_attrs.test() ? m_attrs.SetFlt(index, value) : LXe_FAILED;
    }
    LxResult SetString(unsigned index, const char *value) override {
        return m_attrs.test() && value ? m_attrs.SetString(index, value) : LXe_FAILED;
    }

private:
    CLxUser_Attributes m_attrs;
};

class EventTranslateObj final : public HostObject<EventTranslateObj, ILxEventTranslatePacket> {
public:
    explicit EventTranslateObj(ToolHost &tools) : m_tools(tools) {}
    LxResult HitHandle(ILxUnknownID, const LXtVector pos) override {
        m_tools.TranslateHitHandle({pos[0], pos[1], pos[2]}, nullptr);
        return LXe_OK;
    }
    LxResult SetLinearConstraint(ILxUnknownID, const LXtVector pos, const LXtVector dir) override {
        Vec3 d{dir[0], dir[1], dir[2]};
        m_tools.TranslateHitHandle({pos[0], pos[1], pos[2]}, &d);
        return LXe_OK;
    }
    LxResult GetNewPosition(ILxUnknownID, LXtVector pos) override {
        Vec3 p;
        if (!m_tools.TranslateNewPosition(p)) return LXe_FAILED;
        pos[0] = p[0], pos[1] = p[1], pos[2] = p[2];
        return LXe_OK;
    }

private:
    ToolHost &m_tools;
};

class UIHintsObj final : public HostObject<UIHintsObj, ILxUIHints> {
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

class DrawObj final : public HostObject<DrawObj, ILxStrokeDraw, ILxHandleDraw, ILxView> {
public:
    DrawObj(ToolHost &tools, bool test) : m_tools(tools), m_test(test) {}

    // handles
    LxResult Handle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) override {
        return AddHandle(DrawnHandle::General, pos, xfrm, part, flags);
    }
    LxResult AxisHandle(const LXtVector pos, const LXtVector axis, double length, int part,
                        int flags) override {
        AddHandle(DrawnHandle::Axis, pos, nullptr, part, flags);
        Vec3 a = m_tools.ToolToWorldDirection(ToVec(axis));
        m_tools.Recording().handles.back().axis = Normalize(a, ToVec(axis));
        m_tools.Recording().handles.back().length =
            length * Length(a) / std::fmax(Length(ToVec(axis)), 1e-300);
        return LXe_OK;
    }
    LxResult MoveHandle(const LXtVector pos, const LXtMatrix xfrm, int part, int flags) override {
        return AddHandle(DrawnHandle::Move, pos, xfrm, part, flags);
    }
    LxResult PointHandle(const LXtVector pos, int part, int flags) override {
        return AddHandle(DrawnHandle::Point, pos, nullptr, part, flags);
    }

    // strokes
    LxResult BeginWD(int type, const LXtVector colour, double alpha, double width, int dash) override {
        m_type = type;
        m_colour = ToVec(colour);
        m_alpha = alpha;
        if (type == LXiSTROKE_TEXT) return LXe_OK;
        DrawnStroke s;
        s.type = type;
        s.colour = m_colour;
        s.alpha = alpha;
        s.width = width;
        s.dash = dash;
        s.part = m_part;
        m_tools.Recording().strokes.push_back(s);
        return LXe_OK;
    }
    LxResult Vertex(const LXtVector pos) override {
        ToolDrawing &d = m_tools.Recording();
        if (m_type == LXiSTROKE_TEXT) {
            if (!m_textPending || d.texts.empty()) return LXe_FAILED;
            d.texts.back().pos = m_tools.ToolToWorld(ToVec(pos));
            m_textPending = false;
            return LXe_OK;
        }
        if (d.strokes.empty()) return LXe_FAILED;
        d.strokes.back().verts.push_back(m_tools.ToolToWorld(ToVec(pos)));
        return LXe_OK;
    }
    LxResult Text(const char *text, int justification) override {
        if (m_type != LXiSTROKE_TEXT) return LXe_FAILED;
        DrawnText t;
        t.text = text ? text : "";
        t.justification = justification;
        t.colour = m_colour;
        t.alpha = m_alpha;
        t.part = m_part;
        m_tools.Recording().texts.push_back(t);
        m_textPending = true;
        return LXe_OK;
    }
    LxResult SetPart(int part) override {
        m_part = part;
        return LXe_OK;
    }

    // view, answered in tool space
    double PixelScale() override { return m_tools.view.pixelScale * m_tools.ToolUnitLength(); }
    LxResult EyeVector(const LXtVector pos, LXtVector eye) override {
        Vec3 world = m_tools.view.EyeVector(m_tools.ToolToWorld(ToVec(pos)));
        Vec3 e = Normalize(m_tools.WorldToToolDirection(world), world);
        eye[0] = e[0], eye[1] = e[1], eye[2] = e[2];
        return LXe_OK;
    }
    LxResult Matrix(LXtMatrix m) override {
        Vec3 axes[3];
        m_tools.view.Axes(axes[0], axes[1], axes[2]);
        for (int j = 0; j < 3; ++j) {
            Vec3 a = Normalize(m_tools.WorldToToolDirection(axes[j]), axes[j]);
            for (int i = 0; i < 3; ++i) m[i][j] = a[i];
        }
        return LXe_OK;
    }

private:
    LxResult AddHandle(DrawnHandle::Kind kind, const LXtVector pos, const LXtMatrix xfrm, int part,
                       int flags) {
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
        return LXe_OK;
    }

    ToolHost &m_tools;
    bool m_test;
    int m_part = LXiHITPART_NONE;
    int m_type = 0;
    Vec3 m_colour{1, 1, 1};
    double m_alpha = 1.0;
    bool m_textPending = false;
};

}  // namespace

ILxUnknownID NewPacketService() {
    return static_cast<ILxPacketService *>(new PacketServiceObj);
}
ILxUnknownID NewVectorStack(ToolHost &tools) {
    return static_cast<ILxVectorStack *>(new VectorStackObj(tools));
}
ILxUnknownID NewAdjustTool(ToolHost &tools, ILxUnknownID attributes) {
    return static_cast<ILxAdjustTool *>(new AdjustToolObj(tools, attributes));
}
ILxUnknownID NewEventTranslate(ToolHost &tools) {
    return static_cast<ILxEventTranslatePacket *>(new EventTranslateObj(tools));
}
ILxUnknownID NewUIHints(AttributeLimits &limits) {
    return static_cast<ILxUIHints *>(new UIHintsObj(limits));
}
ILxUnknownID NewDrawObject(ToolHost &tools, bool test) {
    return static_cast<ILxStrokeDraw *>(new DrawObj(tools, test));
}

}  // namespace gorva::host
