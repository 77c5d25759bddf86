#include "qk_tool_frame.hpp"

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

bool IsSupportedModoVersion() {
    return GetModoVersionNum() == kRequiredModoVersion;
}

ToolFrame::ToolFrame(const char *table, const std::vector<const char *> &packets, unsigned modelFlags)
    : m_table(table), m_modelFlags(modelFlags) {
    m_packetService.NewVectorType(LXsCATEGORY_TOOL, m_vectorType);
    for (const char *name : packets)
        if (m_vectorType.test()) m_packetService.AddPacket(m_vectorType, name, LXfVT_GET);
    for (const char *name : packets) {
        unsigned offset = kNoPacket;
        if (!m_packetService.test() || LXx_FAIL(m_packetService.Lookup(LXsCATEGORY_TOOL, name, &offset)))
            offset = kNoPacket;
        m_offsets.emplace_back(name, offset);
    }
}

unsigned ToolFrame::PacketOffset(const char *name) const {
    for (const auto &entry : m_offsets)
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
    if (!input) return LXiHITPART_NONE;
    m_hotPart = input->part;
    return m_hotPart;
}

bool ToolFrame::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    if (!ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT)) return false;
    int part = TakeHotPart(vts);
    CLxUser_VectorStack stack;
    CLxUser_EventTranslatePacket translate;
    if (!stack.set(vts) || !stack.ReadObject(PacketOffset(LXsP_TOOL_EVENTTRANS), translate)) return true;
    LXtVector pos;
    if (HandlePosition(part, pos)) translate.HitHandle(vts, pos);
    return true;
}

void ToolFrame::tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) {
    const auto *input = ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    LXtVector old;
    if (!input || !HandlePosition(input->part, old)) return;
    CLxUser_VectorStack stack;
    CLxUser_EventTranslatePacket translate;
    CLxUser_AdjustTool adj;
    if (!stack.set(vts) || !stack.ReadObject(PacketOffset(LXsP_TOOL_EVENTTRANS), translate) ||
        !adj.set(adjust))
        return;
    LXtVector pos;
    if (translate.GetNewPosition(vts, pos)) MoveHandle(input->part, pos, adj);
}

LxResult ToolFrame::tmod_Enable(ILxUnknownID message) {
    return RunToolEnableChain(message, m_table, EnableChecks());
}

void ToolFrame::ShowWarning(const char *key, const char *title, const char *helpURL) {
    CLxUser_StdDialogService dialogs;
    CLxUser_Message msg;
    if (!dialogs.test() || !dialogs.MessageAllocate(msg)) return;
    msg.SetCode(kToolMessageCode);
    msg.SetMessage(m_table, key, 0);
    dialogs.MessageOpen(msg, title, helpURL, "");
}

std::string ToolFrame::DistanceLabel(const char *table, const char *key, double metres) {
    if (!m_distance.test()) {
        CLxUser_ValueService values;
        if (values.test() && values.NewValue(m_distance, LXsTYPE_DISTANCE)) m_distanceText.set(m_distance);
    }
    CLxUser_MessageService messages;
    CLxUser_Message msg;
    if (!messages.test() || !messages.NewMessage(msg)) return std::string();
    msg.SetMessage(table, key, 0);
    if (m_distance.test() && m_distanceText.test() && LXx_OK(m_distance.SetFlt(metres)))
        msg.SetArgumentString(1, m_distanceText.Encode().c_str());
    return messages.GetText(msg);
}

ScanMeshWriter::ScanMeshWriter(CLxUser_LayerService &service, unsigned scanFlags, unsigned layer)
    : m_layer(layer) {
    m_ok = service.test() && service.BeginScan(scanFlags, m_scan) && m_scan.NumLayers() > layer &&
           m_scan.EditMeshByIndex(layer, m_mesh) && m_mesh.GetPoints(m_points) &&
           m_mesh.GetPolygons(m_polygons) && m_tags.set(static_cast<ILxUnknownID>(m_polygons));
}

bool ScanMeshWriter::AddPoint(const double pos[3], LXtPointID &id) {
    if (m_ok) m_ok = LXx_OK(m_points.New(pos, &id));
    return m_ok;
}

bool ScanMeshWriter::AddFace(const std::vector<LXtPointID> &points, const char *part) {
    if (!m_ok) return false;
    LXtPolygonID polygon = nullptr;
    m_ok = !points.empty() &&
           LXx_OK(m_polygons.New(LXiPTYP_FACE, points.data(), unsigned(points.size()), 0, &polygon));
    if (m_ok && part) m_ok = LXx_OK(m_polygons.Select(polygon)) && LXx_OK(m_tags.Set(LXi_PTAG_PART, part));
    return m_ok;
}

bool ScanMeshWriter::Finish(unsigned edits) {
    if (!m_ok) return false;
    m_scan.SetMeshChange(m_layer, edits);
    m_scan.Apply();
    return true;
}

}  // namespace qk
