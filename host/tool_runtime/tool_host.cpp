#include "host/tool_runtime/tool_host.hpp"

#include <cmath>
#include <limits>

#include "host/model/scene.hpp"
#include "host/bridge/services.hpp"
#include <lxcommand.h>
#include <lxvalue.h>
#include <lxvector.h>

namespace gorva::host {

namespace {

/// Hit radius of a press, in pixels.
const double kHitPixels = 8.0;

/// Makes v a unit vector; false (v unchanged) when it has no direction.
bool MakeUnit(Vec3 &v) {
    const Vec3 none{0.0, 0.0, 0.0};
    Vec3 unit = Normalize(v, none);
    if (unit == none) return false;
    v = unit;
    return true;
}

double SegmentDistance(const Vec3 &p, const Vec3 &a, const Vec3 &b) {
    Vec3 ab = Sub(b, a);
    double len2 = Dot(ab, ab);
    double t = len2 > 0.0 ? std::fmax(0.0, std::fmin(1.0, Dot(Sub(p, a), ab) / len2)) : 0.0;
    Vec3 d = Sub(p, Add(a, Scale(ab, t)));
    return std::sqrt(Dot(d, d));
}

bool Hittable(int part) {
    return part >= 0;
}

}  // namespace

void ToolDrawing::Clear() {
    handles.clear();
    strokes.clear();
    texts.clear();
}

Vec3 ToolView::EyeVector(const Vec3 &pos) const {
    Vec3 d = Sub(pos, eye);
    if (MakeUnit(d)) return d;
    d = Sub(target, eye);
    if (MakeUnit(d)) return d;
    return {0.0, 0.0, -1.0};
}

void ToolView::Axes(Vec3 &right, Vec3 &up, Vec3 &back) const {
    back = Sub(eye, target);
    if (!MakeUnit(back)) back = {0.0, 0.0, 1.0};
    right = Cross({0.0, 1.0, 0.0}, back);
    if (!MakeUnit(right)) right = {1.0, 0.0, 0.0};
    up = Cross(back, right);
}

bool WorkPlane::IsDefault() const {
    for (int i = 0; i < 3; ++i)
        if (origin[i] != 0.0 || rotation[i] != 0.0) return false;
    return true;
}

void WorkPlane::Rows(double rows[3][3]) const {
    Matrix4 r = RotationFromEuler(rotation);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rows[i][j] = r[i][j];
}

const std::vector<std::string> &ToolHost::PacketNames() {
    static const std::vector<std::string> names = {
        LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_ACTCENTER,
        LXsP_TOOL_AXIS,       LXsP_TOOL_HIT_EVENT,   LXsP_TOOL_XFRM,       LXsP_TOOL_SCREEN_EVENT,
        LXsP_TOOL_RAYCAST,    LXsP_TOOL_PROFILE,     LXsP_TOOL_CONTENT};
    return names;
}

ToolHost &Host::Tools() {
    return static_cast<ToolHost &>(*m_tools);
}

ToolHost::ToolHost(Host &host) : m_host(host) {
    m_translate = NewEventTranslate(*this);
}

ToolHost::~ToolHost() {
    if (m_active) Deactivate(false);
    for (auto &entry : m_instances) ObjRelease(entry.second);
    ObjRelease(m_translate);
}

LXtObjectID ToolHost::Instance(const std::string &name) {
    auto it = m_instances.find(name);
    if (it != m_instances.end()) return it->second;
    for (const auto &server : m_host.Servers()) {
        if (server.name != name || !server.IsTool()) continue;
        LXtObjectID obj = m_host.SpawnServer(name);
        if (obj) m_instances[name] = obj;
        return obj;
    }
    return nullptr;
}

void ToolHost::ForgetInstances() {
    if (m_active) Deactivate(false);
    for (auto &entry : m_instances) ObjRelease(entry.second);
    m_instances.clear();
}

void ToolHost::ResetViewport() {
    view = ToolView();
    actionCenter = {};
    axis = 1;
    workPlane = WorkPlane();
    Refresh();
}

bool ToolHost::Requested(unsigned offset) const {
    return offset < m_requested.size() && m_requested[offset];
}

bool ToolHost::PrepareCommand(const std::string &name) {
    if (name.compare(0, 5, "tool.") == 0 || name.compare(0, 5, "host.") == 0 || name == "render") return true;
    if (m_active) Deactivate(true);
    return false;
}

// ---- attributes as the application's fields edit them

namespace {

/// A popup takes only the values it lists (by name or by number).
CommandResult CheckPopupValue(const AttributesRef &attrs, unsigned index, const std::string &attr,
                              const std::string &value) {
    const LXtTextValueHint *table = attrs.Hints(index);
    if (!table || attrs.TypeName(index) != LXsTYPE_INTEGER) return {};
    std::string listed;
    for (const LXtTextValueHint *row = table; row->text; ++row) {
        if (row->value < 0) continue;
        if (value == row->text || value == std::to_string(row->value)) return {};
        listed += (listed.empty() ? "" : ", ") + std::string(row->text);
    }
    return {LXe_OUTOFBOUNDS, "\"" + value + "\" is not a choice of " + attr + " (" + listed + ")"};
}

/// Limits set by the tool's UI hints, applied to the value just set, as a numeric field does.
void ClampToHints(const AttributesRef &attrs, const ComRef &ui, unsigned index) {
    AttributeLimits limits;
    ComRef hints(NewUIHints(limits));
    LxResult r = ui.Call(&ILxAttributesUI::UIHints, index, hints.get());
    if (LXx_FAIL(r) || !(limits.hasMinimum || limits.hasMaximum)) return;
    const std::string type = attrs.TypeName(index);
    bool integer = type == LXsTYPE_INTEGER || type == LXsTYPE_BOOLEAN;
    double v = integer ? attrs.GetInt(index) : attrs.GetFlt(index);
    double clamped = v;
    if (limits.hasMinimum && clamped < limits.minimum) clamped = limits.minimum;
    if (limits.hasMaximum && clamped > limits.maximum) clamped = limits.maximum;
    if (clamped == v) return;
    if (integer)
        attrs.SetInt(index, int(clamped));
    else
        attrs.SetFlt(index, clamped);
}

const LXtGUID &ToolGuid() {
    static const LXtGUID g = GuidFromString(LXu_TOOL);
    return g;
}
const LXtGUID &ToolModelGuid() {
    static const LXtGUID g = GuidFromString(LXu_TOOLMODEL);
    return g;
}
const LXtGUID &AttributesUIGuid() {
    static const LXtGUID g = GuidFromString(LXu_ATTRIBUTESUI);
    return g;
}

/// The packet names a vector type lists.
std::vector<std::string> PacketsOf(LXtObjectID vectorType) {
    std::vector<std::string> names;
    ComRef vt(vectorType);
    ComRef service(NewPacketService());
    const char *category = vt.Call(&ILxVectorType::Category);
    const unsigned count = vt.Call(&ILxVectorType::Count, 0u);
    for (unsigned i = 0; i < count; ++i) {
        unsigned flags = 0;
        const unsigned offset = vt.Call(&ILxVectorType::ByIndex, 0u, i, &flags);
        const char *name = nullptr;
        if (LXx_OK(service.Call(&ILxPacketService::Name, category, offset, &name)) && name)
            names.push_back(name);
    }
    return names;
}

}  // namespace

// ---- activation

CommandResult ToolHost::Activate(const std::string &name) {
    if (m_active && m_activeName == name) return {};
    LXtObjectID obj = Instance(name);
    if (!obj) return {LXe_NOTFOUND, "no tool named \"" + name + "\""};
    if (m_active) Deactivate(true);
    m_host.Install();

    ComRef model(ObjQuery(obj, ToolModelGuid()));
    ComRef msg(NewMessageObject(m_host));
    LxResult enabled = model ? model.Call(&ILxToolModel::Enable, msg.get()) : LXe_NOINTERFACE;
    if (LXx_FAIL(enabled)) {
        std::string text = MessageTextOf(msg.get());
        if (text.empty()) text = name + " is disabled";
        // The failing tool.set line names the command only: the log line names the tool.
        m_host.LogDisabled(name, text, true);
        return {enabled, text, name};
    }

    m_tool = ComRef(ObjQuery(obj, ToolGuid()));
    m_model = model;
    m_attrs = AttributesRef(obj);
    m_requested.assign(PacketNames().size(), false);
    if (LXtObjectID vtObj = m_tool.Call(&ILxTool::VectorType)) {
        ObjAddRef(vtObj);  // the tool keeps its own reference
        for (const std::string &packet : PacketsOf(vtObj))
            for (size_t k = 0; k < PacketNames().size(); ++k)
                if (PacketNames()[k] == packet) m_requested[k] = true;
    }

    m_active = obj;
    m_activeName = name;
    m_vts = NewVectorStack(*this);
    m_adjust = NewAdjustTool(*this, obj);
    m_mouse = MouseState{};
    m_evaluations = 0;
    m_token = m_host.journal.Begin();
    FillPackets(LXiTIE_TYPE_NONE);
    m_model.Call(&ILxToolModel::Initialize, m_vts, m_adjust, 0u);
    Refresh();
    return {};
}

void ToolHost::DropActive() {
    if (m_active) Deactivate(false);
}

CommandResult ToolHost::Deactivate(bool apply) {
    if (!m_active) return {LXe_NOTFOUND, "no tool is active"};
    if (m_mouse.pressed) {
        FillPackets(LXiTIE_TYPE_UP);
        if (m_mouse.tracking) m_model.Call(&ILxToolModel::Up, m_vts, m_adjust);
    }
    ClearHit();
    m_mouse = MouseState{};
    if (apply) {
        m_host.journal.Commit(m_token);
    } else {
        m_model.Call(&ILxToolModel::Drop);
        m_host.journal.Rollback(m_token);
    }
    ObjRelease(m_vts);
    ObjRelease(m_adjust);
    m_vts = m_adjust = nullptr;
    m_tool = ComRef();
    m_model = ComRef();
    m_attrs = AttributesRef();
    m_active = nullptr;
    m_activeName.clear();
    m_drawing.Clear();
    return {};
}

CommandResult ToolHost::SetAttribute(const std::string &tool, const std::string &attr,
                                     const std::string &value) {
    LXtObjectID obj = Instance(tool);
    if (!obj) return {LXe_NOTFOUND, "no tool named \"" + tool + "\""};
    m_host.Install();
    AttributesRef attrs(obj);
    int index = attrs.FindIndex(attr);
    if (index < 0) return {LXe_NOTFOUND, tool + " has no attribute \"" + attr + "\""};
    ComRef ui(ObjQuery(obj, AttributesUIGuid()));
    ComRef msg(NewMessageObject(m_host));
    if (ui && LXx_FAIL(ui.Call(&ILxAttributesUI::DisableMsg, unsigned(index), msg.get()))) {
        std::string text = MessageTextOf(msg.get());
        return {LXe_CMD_DISABLED, text.empty() ? attr + " cannot be changed now" : text};
    }
    CommandResult popup = CheckPopupValue(attrs, unsigned(index), attr, value);
    if (!popup.ok()) return popup;
    if (LXx_FAIL(attrs.SetText(unsigned(index), value)))
        return {LXe_INVALIDARG,
                "bad value \"" + value + "\" for " + attr + " (" + attrs.TypeName(unsigned(index)) + ")"};
    if (ui) ClampToHints(attrs, ui, unsigned(index));
    if (m_active == obj) Refresh();
    return {};
}

std::string ToolHost::Attribute(const std::string &attr) {
    int index = m_attrs.FindIndex(attr);
    return index < 0 ? std::string() : m_attrs.GetString(unsigned(index));
}

std::vector<ToolAttributeRow> ToolHost::AttributeTable(const std::string &tool) {
    std::vector<ToolAttributeRow> rows;
    LXtObjectID obj = Instance(tool);
    if (!obj) return rows;
    m_host.Install();
    AttributesRef attrs(obj);
    ComRef ui(ObjQuery(obj, AttributesUIGuid()));
    for (unsigned i = 0; i < attrs.Count(); ++i) {
        ToolAttributeRow row;
        row.name = attrs.Name(i);
        row.type = attrs.TypeName(i);
        row.value = attrs.GetString(i);
        if (const LXtTextValueHint *table = attrs.Hints(i); table && row.type == LXsTYPE_INTEGER)
            for (const LXtTextValueHint *hint = table; hint->text; ++hint)
                if (hint->value >= 0) row.choices.emplace_back(hint->value, hint->text);
        if (ui) {
            AttributeLimits limits;
            ComRef hints(NewUIHints(limits));
            if (LXx_OK(ui.Call(&ILxAttributesUI::UIHints, i, hints.get()))) {
                row.hasMinimum = limits.hasMinimum, row.minimum = limits.minimum;
                row.hasMaximum = limits.hasMaximum, row.maximum = limits.maximum;
            }
            ComRef msg(NewMessageObject(m_host));
            if (LXx_FAIL(ui.Call(&ILxAttributesUI::DisableMsg, i, msg.get()))) {
                row.disabledReason = MessageTextOf(msg.get());
                if (row.disabledReason.empty()) row.disabledReason = row.name + " cannot be changed now";
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

CommandResult ToolHost::Reset(const std::string &name) {
    LXtObjectID obj = Instance(name);
    if (!obj) return {LXe_NOTFOUND, "no tool named \"" + name + "\""};
    m_host.Install();
    ComRef tool(ObjQuery(obj, ToolGuid()));
    if (!tool) return {LXe_NOINTERFACE, name + " is not a tool"};
    tool.Call(&ILxTool::Reset);
    if (m_active == obj) Refresh();
    return {};
}

// ---- events

void ToolHost::FillPackets(int eventType) {
    ToolPackets &p = m_packets;
    UpdateToolSpace();
    p.view = {nullptr, nullptr, 0, unsigned(view.type)};
    p.input = {int(m_mouse.modifiers),
               int(m_mouse.button),
               1,
               m_mouse.pressed ? m_mouse.part : kNoPart,
               eventType,
               m_mouse.haulIndex >= 0 ? 1 : 0};
    Vec3 centre = WorldToTool(actionCenter);
    for (int i = 0; i < 3; ++i) p.actionCenter.v[i] = centre[i];

    static const double rights[3][3] = {{0, 0, -1}, {1, 0, 0}, {1, 0, 0}};
    static const double ups[3][3] = {{0, 1, 0}, {0, 0, -1}, {0, 1, 0}};
    int a = axis >= 0 && axis <= 2 ? axis : 1;
    for (int i = 0; i < 3; ++i) {
        p.axis.axis[i] = i == a ? 1.0 : 0.0;
        p.axis.up[i] = ups[a][i];
        p.axis.right[i] = rights[a][i];
    }
    for (int j = 0; j < 3; ++j) {
        p.axis.m[0][j] = p.axis.mInv[j][0] = p.axis.right[j];
        p.axis.m[1][j] = p.axis.mInv[j][1] = p.axis.up[j];
        p.axis.m[2][j] = p.axis.mInv[j][2] = p.axis.axis[j];
    }
    p.axis.axIndex = a;
    p.axis.type = 0;

    p.hit = LXpToolHitEvent{};
    if (m_mouse.hasHit) {
        p.hit.hit.item = m_hitItem;
        p.hit.hit.pol = ToId<LXtPolygonID>(m_mouse.hit.polygon);
        for (size_t i = 0; i < 3; ++i)
            p.hit.hit.pos[i] = m_mouse.hit.pos[i], p.hit.hit.nrm[i] = m_mouse.hit.normal[i];
        p.hit.hit.cosine = 1.0f;
    }
    p.screen = LXpToolScreenEvent{};

    double rows[3][3];
    Vec3 origin = workPlane.origin;
    workPlane.Rows(rows);
    ItemData *ref = m_host.refSystem.empty() ? nullptr : m_host.scene.FindByIdent(m_host.refSystem);
    if (ref && workPlane.IsDefault()) {
        Matrix4 scale, rotation, position;
        ref->WorldParts(scale, rotation, position);
        for (int i = 0; i < 3; ++i) {
            origin[i] = position[3][i];
            for (int j = 0; j < 3; ++j) rows[i][j] = rotation[i][j];
        }
    }
    for (int i = 0; i < 3; ++i) {
        p.xfrm.v[i] = origin[i];
        for (int j = 0; j < 3; ++j) {
            p.xfrm.m[i][j] = rows[j][i];
            p.xfrm.mInv[i][j] = rows[i][j];
        }
    }
    // The offset and matrix mean something only while a work plane or reference system is set.
    p.xfrm.flags = ref || !workPlane.IsDefault() ? LXiTVXFMf_USEFUL | LXiTVXFMf_INVERSE : 0;
    p.xfrm.handedness = 1;
    p.xfrm.marks = 0;
}

void ToolHost::UpdateToolSpace() {
    m_toolToWorld = m_worldToTool = IdentityMatrix();
    m_toolUnit = 1.0;
    ItemData *ref = m_host.refSystem.empty() ? nullptr : m_host.scene.FindByIdent(m_host.refSystem);
    if (!ref) return;
    Matrix4 world = ref->WorldMatrix(), inverse;
    if (!AffineInverse(world, inverse)) return;  // a collapsed item has no space to work in
    m_toolToWorld = world;
    m_worldToTool = inverse;
    double det = world[0][0] * (world[1][1] * world[2][2] - world[1][2] * world[2][1]) -
                 world[0][1] * (world[1][0] * world[2][2] - world[1][2] * world[2][0]) +
                 world[0][2] * (world[1][0] * world[2][1] - world[1][1] * world[2][0]);
    m_toolUnit = std::cbrt(std::fabs(det));
}

void ToolHost::Draw(bool test) {
    m_drawing.Clear();
    if (!m_active) return;
    LXtObjectID draw = NewDrawObject(*this, test);
    if (test)
        m_model.Call(&ILxToolModel::Test, m_vts, draw, 0);
    else
        m_model.Call(&ILxToolModel::Draw, m_vts, draw, 0);
    ObjRelease(draw);
}

void ToolHost::Evaluate() {
    m_host.journal.Rollback(m_token);
    m_token = m_host.journal.Begin();
    m_tool.Call(&ILxTool::Evaluate, m_vts);
    ++m_evaluations;
}

void ToolHost::Refresh() {
    if (!m_active) return;
    m_host.Install();
    int type = m_mouse.pressed ? LXiTIE_TYPE_MOVE : 0;
    FillPackets(type);
    Draw(false);
    Evaluate();
    Draw(false);
}

const ToolDrawing &ToolHost::Redraw() {
    if (!m_active) return m_drawing;
    m_host.Install();
    FillPackets(m_mouse.pressed ? LXiTIE_TYPE_MOVE : LXiTIE_TYPE_NONE);
    Draw(false);
    return m_drawing;
}

int ToolHost::HitTest(const Vec3 &pos) {
    if (!m_active) return kNoPart;
    m_host.Install();
    ToolDrawing shown = m_drawing;
    FillPackets(0);
    Draw(true);
    const double pixel = view.pixelScale > 0.0 ? 1.0 / view.pixelScale : 0.0;
    double best = kHitPixels * pixel;
    int nearest = kNoPart, onTop = kNoPart;
    // Candidates come in drawing order, strokes under handles: of the parts drawn under the pressed
    // pixel the last lies on top; away from every part the nearest within reach is taken.
    auto consider = [&](int candidate, double d) {
        if (!Hittable(candidate) || !(d <= kHitPixels * pixel)) return;
        if (d <= pixel) onTop = candidate;
        if (d <= best) best = d, nearest = candidate;
    };
    for (const auto &s : m_drawing.strokes) {
        for (size_t i = 0; i < s.verts.size(); ++i) {
            bool segment = (s.type == LXiSTROKE_LINES && i % 2 == 1) ||
                           ((s.type == LXiSTROKE_LINE_STRIP || s.type == LXiSTROKE_LINE_LOOP) && i > 0);
            double d = segment ? SegmentDistance(pos, s.verts[i - 1], s.verts[i])
                               : std::sqrt(Dot(Sub(pos, s.verts[i]), Sub(pos, s.verts[i])));
            consider(s.part, d);
        }
    }
    for (const auto &h : m_drawing.handles) {
        // An axis handle is drawn as an arrow from its position: its whole shaft answers.
        const Vec3 tip = h.kind == DrawnHandle::Axis ? Add(h.pos, Scale(h.axis, h.length)) : h.pos;
        consider(h.part, SegmentDistance(pos, h.pos, tip));
    }
    m_drawing = shown;
    return onTop != kNoPart ? onTop : nearest;
}

CommandResult ToolHost::PressPart(int part, const PressOptions &options) {
    return Press(part, options, nullptr);
}

CommandResult ToolHost::PressAt(const Vec3 &pos, const PressOptions &options) {
    if (!m_active) return {LXe_NOTFOUND, "no tool is active"};
    return Press(HitTest(pos), options, &pos);
}

void ToolHost::ClearHit() {
    if (m_hitItem) ObjRelease(m_hitItem);
    m_hitItem = nullptr;
    m_mouse.hasHit = false;
}

void ToolHost::TakeHit(const PressOptions &options, const Vec3 *pos) {
    ClearHit();
    if (options.hitItem && pos)
        m_mouse.hasHit =
            NamedPolygonHit(*options.hitItem, options.hitPolygon, view.eye, Sub(*pos, view.eye), m_mouse.hit);
    else if (options.hitItem)
        m_mouse.hasHit = NamedPolygonHit(*options.hitItem, options.hitPolygon, m_mouse.hit);
    else if (pos)
        m_mouse.hasHit = PickPolygon(m_host, view.eye, Sub(*pos, view.eye), m_mouse.hit);
    if (m_mouse.hasHit) m_hitItem = (new ItemObj(m_host, *m_mouse.hit.item))->Hand();
}

CommandResult ToolHost::Press(int part, const PressOptions &options, const Vec3 *pos) {
    if (!m_active) return {LXe_NOTFOUND, "no tool is active"};
    if (m_mouse.pressed) Release();
    m_host.Install();
    m_mouse = MouseState{};
    m_mouse.pressed = true;
    m_mouse.part = part;
    m_mouse.button = options.button;
    m_mouse.modifiers = options.modifiers;
    TakeHit(options, pos);
    unsigned button = options.button;
    m_mouse.havePressMouse = pos != nullptr;
    if (pos) m_mouse.mouse = m_mouse.pressMouse = *pos;
    FillPackets(LXiTIE_TYPE_DOWN);
    m_mouse.tracking = m_model.Call(&ILxToolModel::Down, m_vts, m_adjust) == LXe_TRUE;

    const unsigned flags = m_model.Call(&ILxToolModel::Flags);
    const char *haul = (flags & LXfTMOD_I0_ATTRHAUL) && !Hittable(part)
                           ? m_model.Call(&ILxToolModel::Haul, button)
                           : nullptr;
    if (haul) {
        m_mouse.haulIndex = m_attrs.FindIndex(haul);
        if (m_mouse.haulIndex >= 0) m_mouse.haulStart = m_attrs.GetFlt(unsigned(m_mouse.haulIndex));
    }
    Refresh();
    return {};
}

CommandResult ToolHost::Drag(const Vec3 &pos) {
    if (!m_active) return {LXe_NOTFOUND, "no tool is active"};
    if (!m_mouse.pressed) return {LXe_FAILED, "no mouse button is down (tool.press first)"};
    m_host.Install();
    if (!m_mouse.havePressMouse) m_mouse.pressMouse = pos, m_mouse.havePressMouse = true;
    m_mouse.mouse = pos;
    FillPackets(LXiTIE_TYPE_MOVE);
    if (m_mouse.tracking) m_model.Call(&ILxToolModel::Move, m_vts, m_adjust);
    if (m_mouse.haulIndex >= 0) {
        Vec3 right, up, back;
        view.Axes(right, up, back);
        double delta = Dot(Sub(m_mouse.mouse, m_mouse.pressMouse), right);
        if (m_attrs.TypeName(unsigned(m_mouse.haulIndex)) == LXsTYPE_INTEGER)
            m_attrs.SetInt(unsigned(m_mouse.haulIndex),
                           int(std::lround(m_mouse.haulStart + delta * view.pixelScale / 10.0)));
        else
            m_attrs.SetFlt(unsigned(m_mouse.haulIndex), m_mouse.haulStart + delta);
    }
    Refresh();
    return {};
}

CommandResult ToolHost::Release() {
    if (!m_active) return {LXe_NOTFOUND, "no tool is active"};
    if (!m_mouse.pressed) return {LXe_FAILED, "no mouse button is down"};
    m_host.Install();
    FillPackets(LXiTIE_TYPE_UP);
    if (m_mouse.tracking) m_model.Call(&ILxToolModel::Up, m_vts, m_adjust);
    ClearHit();
    m_mouse = MouseState{};
    Refresh();
    return {};
}

// ---- event translation

void ToolHost::TranslateHitHandle(const Vec3 &toolPos, const Vec3 *constraint) {
    Vec3 pos = ToolToWorld(toolPos);
    m_mouse.onHandle = true;
    m_mouse.handle = pos;
    if (!m_mouse.havePressMouse) m_mouse.mouse = m_mouse.pressMouse = pos, m_mouse.havePressMouse = true;
    m_mouse.constrained = false;
    if (constraint) {
        m_mouse.constraintDir = ToolToWorldDirection(*constraint);
        m_mouse.constrained = MakeUnit(m_mouse.constraintDir);
    }
}

bool ToolHost::TranslateNewPosition(Vec3 &toolPos) const {
    Vec3 pos = OnWorkPlane(m_mouse.mouse);
    if (m_mouse.onHandle) {
        pos = Add(m_mouse.handle, Sub(m_mouse.mouse, m_mouse.pressMouse));
        if (m_mouse.constrained)
            pos = Add(m_mouse.handle,
                      Scale(m_mouse.constraintDir, Dot(Sub(pos, m_mouse.handle), m_mouse.constraintDir)));
    }
    toolPos = WorldToTool(pos);
    return true;
}

Vec3 ToolHost::OnWorkPlane(const Vec3 &mouse) const {
    double rows[3][3];
    workPlane.Rows(rows);
    Vec3 n{rows[1][0], rows[1][1], rows[1][2]};
    Vec3 d = Sub(mouse, view.eye);
    double denom = Dot(d, n);
    if (std::fabs(denom) > 1e-12)
        return Add(view.eye, Scale(d, Dot(Sub(workPlane.origin, view.eye), n) / denom));
    return Sub(mouse, Scale(n, Dot(Sub(mouse, workPlane.origin), n)));
}

}  // namespace gorva::host
