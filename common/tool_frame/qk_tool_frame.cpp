#include "qk_tool_frame.hpp"

#include <cmath>

#include "qk_command.hpp"
#include "qk_tool_enable.hpp"

namespace qk {

PopupHints::PopupHints(std::vector<const char *> names, const char *popupType)
    : m_type(std::string("=") + popupType) {
    m_rows.reserve(names.size() + 2);
    for (size_t i = 0; i < names.size(); ++i) m_rows.push_back({int(i), names[i]});
    m_rows.push_back({-1, m_type.c_str()});
    m_rows.push_back({-1, nullptr});
}

PopupHints::PopupHints(const PopupDef &popup)
    : PopupHints(std::vector<const char *>(popup.names, popup.names + popup.count), popup.type) {}

LxResult RunToolEnableChain(ILxUnknownID message, const char *table,
                            const std::vector<ToolEnableCheck> &checks) {
    for (const ToolEnableCheck &check : checks) {
        if (check.test() == check.expected) continue;
        CLxUser_Message msg;
        if (msg.set(message)) {
            msg.SetCode(kToolMessageCode);
            msg.SetMessage(table, check.key, 0);
        }
        return kToolDisabled;
    }
    return LXe_OK;
}

void ToolDrawContext::AxisArrow(const math::Vector3 &pos, const math::Vector3 &direction, double length,
                                int part, int handleFlags) {
    const math::Vector3 along = math::Normalized(direction);
    // Any two directions across the arrow complete its frame; only row 0 is the arrow's.
    const math::Vector3 helper = std::fabs(along.x()) < 0.9 ? math::Vector3(1, 0, 0) : math::Vector3(0, 1, 0);
    const math::Vector3 across = math::Normalized(math::Cross(along, helper));
    const math::Vector3 third = math::Cross(along, across);
    LXtMatrix frame;
    for (int j = 0; j < 3; ++j) {
        frame[0][j] = along.v[j];
        frame[1][j] = across.v[j];
        frame[2][j] = third.v[j];
    }
    handles.AxisHandle(pos, frame, 0, part, length, handleFlags);
}

bool IsSupportedModoVersion() {
    return GetModoVersionNum() == kRequiredModoVersion;
}

struct ToolFrame::State {
    explicit State(const ToolDef &def)
        : m_table(def.table),
          m_modelFlags(def.modelFlags),
          m_attributes(def.attributes),
          m_attributeCount(def.attributeCount) {}

    const char *m_table;
    unsigned m_modelFlags;
    const ToolAttributeDef *m_attributes;
    std::size_t m_attributeCount;
    std::vector<std::unique_ptr<PopupHints>> m_popups;
    CLxUser_VectorType m_vectorType;
    std::vector<std::pair<std::string, unsigned>> m_offsets;
    // Formats distances in the user's units for the labels; made on first use.
    CLxUser_Value m_distance;
    CLxUser_StringConversion m_distanceText;
    std::string m_lastError;
    int m_lastChanged = -1;
    // Above 0 while the tool writes an attribute as its own result.
    int m_ownWrites = 0;
};

ToolFrame::ToolFrame(const ToolDef &def) : m_state(std::make_unique<State>(def)) {
    State &s = *m_state;
    m_packetService.NewVectorType(LXsCATEGORY_TOOL, s.m_vectorType);
    for (const char *name : def.packets)
        if (s.m_vectorType.test()) m_packetService.AddPacket(s.m_vectorType, name, LXfVT_GET);
    for (const char *name : def.packets) {
        unsigned offset = kNoPacket;
        if (LXx_FAIL(m_packetService.Lookup(LXsCATEGORY_TOOL, name, &offset))) offset = kNoPacket;
        s.m_offsets.emplace_back(name, offset);
    }
    for (std::size_t i = 0; i < s.m_attributeCount; ++i)
        dyna_Add(s.m_attributes[i].name, s.m_attributes[i].type);
    for (std::size_t i = 0; i < s.m_attributeCount; ++i) {
        if (!s.m_attributes[i].popup) continue;
        s.m_popups.push_back(std::make_unique<PopupHints>(*s.m_attributes[i].popup));
        dyna_SetHint(unsigned(i), s.m_popups.back()->Table());
    }
}

ToolFrame::~ToolFrame() = default;

LXtObjectID ToolFrame::tool_VectorType() {
    return m_state->m_vectorType.m_loc;
}

unsigned ToolFrame::tmod_Flags() {
    return m_state->m_modelFlags;
}

const char *ToolFrame::Table() const {
    return m_state->m_table;
}

void ToolFrame::atrui_UIHints(unsigned index, CLxUser_UIHints &hints) {
    if (index >= m_state->m_attributeCount || !hints.test()) return;
    const ToolAttributeDef &attribute = m_state->m_attributes[index];
    const AttributeLimits &limits = attribute.limits;
    bool integer = std::string(attribute.type) == LXsTYPE_INTEGER;
    if (limits.hasMinimum) integer ? hints.MinInt(int(limits.minimum)) : hints.MinFloat(limits.minimum);
    if (limits.hasMaximum) integer ? hints.MaxInt(int(limits.maximum)) : hints.MaxFloat(limits.maximum);
}

qk::math::Vector3 ToolFrame::AttrVector(unsigned first) {
    return {dyna_Float(first), dyna_Float(first + 1), dyna_Float(first + 2)};
}

void ToolFrame::SetAttrVector(unsigned first, const qk::math::Vector3 &v) {
    for (unsigned i = 0; i < 3; ++i) attr_SetFlt(first + i, v.v[i]);
}

void ToolFrame::AdjustAttrVector(CLxUser_AdjustTool &adjust, unsigned first, const qk::math::Vector3 &v) {
    for (unsigned i = 0; i < 3; ++i) adjust.SetFlt(first + i, v.v[i]);
}

unsigned ToolFrame::PacketOffset(const char *name) const {
    for (const auto &entry : m_state->m_offsets)
        if (entry.first == name) return entry.second;
    return kNoPacket;
}

bool ToolFrame::IsView3D(ILxUnknownID vts) const {
    const auto *view = ReadPacket<LXpToolViewEvent>(vts, LXsP_TOOL_VIEW_EVENT);
    return view && view->type == LXi_VIEWTYPE_3D;
}

void ToolFrame::RunDrawHandles(ILxUnknownID vts, ILxUnknownID stroke, int flags) {
    ToolDrawContext ctx;
    ctx.vts.set(vts);
    ctx.stroke.set(stroke);
    ctx.handles.set(stroke);
    ctx.view.set(stroke);
    ctx.flags = flags;
    if (!ctx.Ready()) return;
    if (!DrawsInEveryView() && !IsView3D(vts)) return;
    DrawHandles(ctx);
}

int ToolFrame::TakeHotPart(ILxUnknownID vts) {
    const auto *input = ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    if (!input) return kNoPart;
    m_hotPart = input->part;
    return m_hotPart;
}

LxResult ToolFrame::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    if (!ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT)) return LXe_FALSE;
    int part = TakeHotPart(vts);
    CLxUser_EventTranslatePacket translate;
    if (!ReadEventTranslation(vts, translate)) return LXe_TRUE;
    LXtVector pos;
    if (HandlePosition(part, pos)) translate.HitHandle(vts, pos);
    return LXe_TRUE;
}

bool ToolFrame::ReadEventTranslation(ILxUnknownID vts, CLxUser_EventTranslatePacket &translate) const {
    CLxUser_VectorStack stack;
    const unsigned offset = PacketOffset(LXsP_TOOL_EVENTTRANS);
    return offset != kNoPacket && stack.set(vts) && stack.ReadObject(offset, translate);
}

void ToolFrame::tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) {
    const auto *input = ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    LXtVector pos;
    if (!input || !HandlePosition(input->part, pos)) return;
    CLxUser_EventTranslatePacket translate;
    CLxUser_AdjustTool adj;
    if (!ReadEventTranslation(vts, translate) || !adj.set(adjust)) return;
    // Starts from the handle's place, so a translation that gives no position moves nothing.
    translate.GetNewPosition(vts, pos);
    MoveHandle(input->part, pos, adj);
}

LxResult ToolFrame::tmod_Enable(ILxUnknownID message) {
    return RunToolEnableChain(message, Table(), EnableChecks());
}

void ToolFrame::ShowWarning(const char *key, const char *title, const char *helpURL) {
    CLxUser_StdDialogService dialogs;
    CLxUser_Message msg;
    if (!dialogs.MessageAllocate(msg)) return;
    msg.SetCode(kToolMessageCode);
    msg.SetMessage(Table(), key, 0);
    dialogs.MessageOpen(msg, title, helpURL, "");
}

void ToolFrame::LogErrorOnce(const std::string &text) {
    if (text == m_state->m_lastError) return;
    m_state->m_lastError = text;
    m_log.DebugOut(LXi_DBLOG_ERROR, "%s: %s", Table(), text.c_str());
}

void ToolFrame::ForgetLoggedError() {
    m_state->m_lastError.clear();
}

std::string ToolFrame::DistanceLabel(const char *table, const char *key, double metres) {
    CLxUser_Value &distanceValue = m_state->m_distance;
    CLxUser_StringConversion &distanceText = m_state->m_distanceText;
    if (!distanceValue.test()) {
        CLxUser_ValueService values;
        if (values.NewValue(distanceValue, LXsTYPE_DISTANCE)) distanceText.set(distanceValue);
    }
    CLxUser_MessageService messages;
    CLxUser_Message msg;
    if (!messages.NewMessage(msg)) return std::string();
    msg.SetMessage(table, key, 0);
    std::string distance;
    if (distanceValue.test() && distanceText.test() && LXx_OK(distanceValue.SetFlt(metres)) &&
        LXx_OK(distanceText.EncodeStr(distance)))
        msg.SetArgumentString(1, distance.c_str());
    std::string text;
    if (LXx_FAIL(messages.GetText(msg, text))) text.clear();
    return text;
}

// ---- attribute changes

void ToolFrame::dyna_Changed(unsigned index) {
    if (m_state->m_ownWrites > 0) return;
    m_state->m_lastChanged = TracksChange(index) ? int(index) : -1;
}

int ToolFrame::TakeLastChanged() {
    const int changed = m_state->m_lastChanged;
    m_state->m_lastChanged = -1;
    return changed;
}

void ToolFrame::ForgetLastChanged() {
    m_state->m_lastChanged = -1;
}

// Written through the attribute interface, so that the attribute reads as set (an attribute not set
// reads as its default).
void ToolFrame::SetOwnFloat(unsigned index, double value) {
    ++m_state->m_ownWrites;
    attr_SetFlt(index, value);
    --m_state->m_ownWrites;
}

void ToolFrame::SetOwnInt(unsigned index, int value) {
    ++m_state->m_ownWrites;
    attr_SetInt(index, value);
    --m_state->m_ownWrites;
}

void ToolFrame::SetOwnAttrVector(unsigned first, const qk::math::Vector3 &v) {
    ++m_state->m_ownWrites;
    SetAttrVector(first, v);
    --m_state->m_ownWrites;
}

}  // namespace qk
