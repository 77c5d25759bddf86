// Tool output: new points and faces written into one layer of a layer scan, all or nothing.
#pragma once

#include <vector>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_value.hpp"
#include "qk_math.hpp"

namespace qk {

/// Geometry written into one layer of a layer scan. Any failed step (scan, mesh, accessors, tag
/// object, an element) makes the writer invalid; Finish then applies nothing, and the scan takes
/// back whatever was written.
class ScanMeshWriter {
public:
    /// Begins a scan with the flags and opens layer `layer` for editing when the scan holds it.
    ScanMeshWriter(CLxUser_LayerService &service, unsigned scanFlags, unsigned layer = 0);
    bool Ok() const { return m_ok; }
    /// A new point; false (and the writer invalid) on failure.
    bool AddPoint(const double pos[3], LXtPointID &id);
    /// A new face through the points in order with the 'PART' tag (none when null); false on failure.
    bool AddFace(const std::vector<LXtPointID> &points, const char *part);
    /// Declares the edits and applies the scan when every step succeeded; returns that.
    bool Finish(unsigned edits);

private:
    CLxUser_LayerScan m_scan;
    CLxUser_Mesh m_mesh;
    CLxUser_Point m_points;
    CLxUser_Polygon m_polygons;
    CLxUser_StringTag m_tags;
    unsigned m_layer;
    bool m_ok = false;
};

}  // namespace qk
