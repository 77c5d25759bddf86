#include "qk_mesh_writer.hpp"

namespace qk {

ScanMeshWriter::ScanMeshWriter(CLxUser_LayerService &service, unsigned scanFlags, unsigned layer)
    : m_layer(layer) {
    m_ok = service.BeginScan(scanFlags, m_scan) && m_scan.NumLayers() > layer &&
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
