// "gORVA.Cmd.SelectbyNormal": replaces the polygon selection with the polygons that face like the
// selected ones. Fast mode looks for equal normals; full mode also accepts normals within an angle
// and can limit matches by plane, perimeter, material, part and connected region. Every
// measurement is made in world space.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_command.hpp"
#include "lx_item.hpp"
#include "lxidef.h"
#include "lx_log.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_seltypes.hpp"
#include "lx_value.hpp"
#include "lx_visitor.hpp"
#include "lxu_math.hpp"
#include "CMD_SelectbyNormal_Targets.hpp"
#include "qk_command.hpp"
#include "qk_select_sweep.hpp"
#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_math.hpp"
#include "qk_tool_enable.hpp"
#include "qk_visit.hpp"

namespace gORVA_Cmds_SelectbyNormal {

using qk::math::Matrix4;
using qk::math::Vector3;

constexpr const char *kServerName = "gORVA.Cmd.SelectbyNormal";
// Active layers, with marks on points, edges and polygons.
constexpr unsigned kScanFlags =
    LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKVERTS | LXf_LAYERSCAN_MARKEDGES | LXf_LAYERSCAN_MARKPOLYS;
constexpr double kMinSizeLowerBound = 0.001;
constexpr const char *kNoPartTag = "Default";

/// Full-mode limits, each satisfied by any target that passed the plane limit.
struct MatchOptions {
    bool limitToPlane = false;
    bool limitBySize = false;
    bool limitToMaterial = false;
    bool limitToPartName = false;
};

/// The command's host user values, read at each execution.
struct Settings {
    MatchOptions options;
    bool limitToContiguous = false;
    bool includeFlipNormals = false;
    double sizeVariation = 0.0;    ///< metres
    double normalVariation = 0.0;  ///< radians
};

using PolygonList = std::vector<LXtPolygonID>;

/// Base of the visitors that measure polygons: the layer's accessors and its two transforms.
class PolygonMeasuringVisitor : public CLxImpl_AbstractVisitor {
public:
    /// Binds the point and polygon accessors to the mesh; false when either cannot be had.
    bool SetMesh(CLxUser_Mesh &mesh) {
        m_mesh = mesh;
        return m_point.fromMesh(mesh) && m_poly.fromMesh(mesh);
    }
    /// Binds the string tags to the polygon accessor; false when the accessor offers none.
    bool SetupStringTag() { return m_poly.test() && m_tag.set(static_cast<ILxUnknownID>(m_poly)); }
    /// World transform (positions) and world rotation (normals) of the layer's item.
    void SetItemXfrms(const Matrix4 &world, const Matrix4 &rotation) {
        m_world = world;
        m_rotation = rotation;
    }
    /// The accessor whose enumeration calls this visitor.
    CLxUser_Polygon &Polygons() { return m_poly; }

protected:
    /// Normal of the current polygon turned into world space.
    Vector3 WorldNormal() {
        LXtVector n = {0, 0, 0};
        m_poly.Normal(n);
        lx::Matrix4Multiply(n, m_rotation.m, n);
        return Vector3(n);
    }
    /// World positions of the current polygon's vertices, into m_verts.
    void ReadWorldVertices() {
        m_verts.clear();
        unsigned count = 0;
        if (LXx_FAIL(m_poly.VertexCount(&count))) return;
        for (unsigned i = 0; i < count; ++i) {
            LXtPointID id = nullptr;
            LXtFVector pos = {0, 0, 0};
            if (LXx_FAIL(m_poly.VertexByIndex(i, &id)) || LXx_FAIL(m_point.Select(id))) continue;
            m_point.Pos(pos);
            LXtVector world = {pos[0], pos[1], pos[2]};
            lx::Matrix4Multiply(world, m_world.m, world);
            m_verts.emplace_back(world);
        }
    }
    /// Average of m_verts; the origin for a polygon without vertices.
    Vector3 Centre() const {
        Vector3 sum;
        for (const Vector3 &v : m_verts) sum += v;
        return m_verts.empty() ? sum : sum * (1.0 / double(m_verts.size()));
    }
    /// Closed outline length of m_verts.
    double Perimeter() const {
        double length = 0.0;
        for (size_t i = 0; i < m_verts.size(); ++i)
            length += qk::math::Distance(m_verts[i], m_verts[(i + 1) % m_verts.size()]);
        return length;
    }
    /// Tag of the current polygon; false when it has none.
    bool ReadTag(LXtID4 type, std::string &text) {
        text.clear();
        const char *tag = m_tag.test() ? m_tag.Value(type) : nullptr;
        if (!tag) return false;
        text = tag;
        return true;
    }

    CLxUser_Mesh m_mesh;
    CLxUser_Point m_point;
    CLxUser_Polygon m_poly;
    CLxUser_StringTag m_tag;
    Matrix4 m_world;
    Matrix4 m_rotation;
    std::vector<Vector3> m_verts;
};

/// Measures every visited polygon as a target.
class GetSelectedPolygonInfoVisitor final : public PolygonMeasuringVisitor {
public:
    LxResult Evaluate() override {
        SelectedPolygonInfo info;
        ReadWorldVertices();
        Centre().CopyTo(info.centre);
        WorldNormal().CopyTo(info.normal);
        info.polygon = m_poly.ID();
        ReadTag(LXi_PTAG_MATR, info.material);
        if (!ReadTag(LXi_PTAG_PART, info.part)) info.part = kNoPartTag;
        info.perimeter = Perimeter();
        m_infos.push_back(info);
        return LXe_OK;
    }
    /// The targets measured so far, in visiting order.
    std::vector<SelectedPolygonInfo> GetPolygonInfo() const { return m_infos; }
    /// Forgets the targets and resets both transforms to the identity.
    void Reset() {
        m_infos.clear();
        SetItemXfrms(Matrix4(), Matrix4());
    }

private:
    std::vector<SelectedPolygonInfo> m_infos;
};

/// Sets (or, with a clearing mode, removes) marks on every visited polygon.
class MarkingVisitor final : public CLxImpl_AbstractVisitor {
public:
    MarkingVisitor(CLxUser_Polygon &poly, LXtMarkMode mode, bool quiet, CLxUser_LogService &log)
        : m_poly(poly), m_mode(mode), m_quiet(quiet), m_log(log) {}
    LxResult Evaluate() override {
        m_poly.SetMarks(m_mode);
        if (!m_quiet) m_log.DebugOut(2, "Set mark on a polygon \n");
        return LXe_OK;
    }

private:
    CLxUser_Polygon &m_poly;
    LXtMarkMode m_mode;
    bool m_quiet;
    CLxUser_LogService &m_log;
};

/// Records every visited polygon: its id, its corners and whether it is selected.
class CornerVisitor final : public CLxImpl_AbstractVisitor {
public:
    CornerVisitor(CLxUser_Polygon &poly, LXtMarkMode selected) : m_poly(poly), m_selectedMode(selected) {}
    LxResult Evaluate() override {
        unsigned count = 0;
        if (LXx_FAIL(m_poly.VertexCount(&count))) count = 0;
        for (unsigned i = 0; i < count; ++i) {
            LXtPointID id = nullptr;
            if (LXx_OK(m_poly.VertexByIndex(i, &id))) polygons.corners.push_back(id);
        }
        polygons.starts.push_back(polygons.corners.size());
        ids.push_back(m_poly.ID());
        seeds.push_back(m_poly.Test(m_selectedMode));
        return LXe_OK;
    }

    PolygonCorners polygons;
    std::vector<LXtPolygonID> ids;
    std::vector<bool> seeds;

private:
    CLxUser_Polygon &m_poly;
    LXtMarkMode m_selectedMode;
};

/// Shared state of the two compare visitors: the indexed targets, options and the matches of one layer.
class ComparingVisitor : public PolygonMeasuringVisitor {
public:
    /// The targets every candidate is compared with, indexed by normal and plane.
    void SetTargetPolys(const std::vector<SelectedPolygonInfo> &targets) {
        m_targets = targets;
        m_index = std::make_unique<TargetIndex>(m_targets);
    }
    void SetMatchOptions(const MatchOptions &options) { m_options = options; }
    /// Matches of the current layer, in enumeration order.
    const PolygonList &GetMatchedPolygonIDs() const { return m_matched; }
    void ClearMatchedPolygonIDs() { m_matched.clear(); }
    /// Room for a match per polygon of the bound mesh: a list of millions is then never copied as it grows.
    void ReserveMatches() { m_matched.reserve(qk::ElementCount(m_mesh, LXiSEL_POLYGON)); }
    /// Hands the matched list over and leaves the visitor's list empty.
    PolygonList TakeMatchedPolygonIDs() { return std::exchange(m_matched, {}); }

protected:
    std::vector<SelectedPolygonInfo> m_targets;
    std::unique_ptr<TargetIndex> m_index;
    MatchOptions m_options;
    PolygonList m_matched;
};

/// Fast mode: equal normals, and with the plane option a centre in the plane of a target facing the
/// same way.
class FastComparePolygonVisitor final : public ComparingVisitor {
public:
    LxResult Evaluate() override {
        const Vector3 normal = WorldNormal();
        if (!m_index->AnySameNormal(normal)) return LXe_OK;
        if (m_options.limitToPlane) {
            ReadWorldVertices();
            if (!m_index->AnyCoplanar(normal, Centre())) return LXe_OK;
        }
        m_matched.push_back(m_poly.ID());
        return LXe_OK;
    }
};

/// Full mode: normals within an angle, then the plane, size, material and part limits.
class ComparePolygonVisitor final : public ComparingVisitor {
public:
    /// Allowed perimeter difference in metres (0 demands equal perimeters within EPSILON).
    void SetSizeVariationLimit(double metres) { m_sizeVariation = metres; }
    /// Allowed angle between normals in radians (0 demands equal normals within EPSILON).
    void SetNormalAngleVariation(double radians) { m_normalVariation = radians; }
    /// Sorts the perimeters and gathers the tags of every target, for the limits without the plane.
    void IndexLimits() {
        m_perimeters.clear();
        m_materials.clear();
        m_parts.clear();
        for (const SelectedPolygonInfo &t : m_targets) {
            m_perimeters.push_back(t.perimeter);
            m_materials.insert(t.material);
            m_parts.insert(t.part);
        }
        std::sort(m_perimeters.begin(), m_perimeters.end());
    }

    LxResult Evaluate() override {
        const Vector3 normal = WorldNormal();
        if (!m_index->AnyFacing(normal, m_normalVariation)) return LXe_OK;
        const MatchOptions &o = m_options;
        if (o.limitToPlane || o.limitBySize || o.limitToMaterial || o.limitToPartName) {
            ReadWorldVertices();
            if (!PassesLimits(Centre())) return LXe_OK;
        }
        m_matched.push_back(m_poly.ID());
        return LXe_OK;
    }

private:
    // Each limit is met by any target that passed the plane limit (every target without it).
    bool PassesLimits(const Vector3 &centre) {
        const MatchOptions &o = m_options;
        std::string material, part;
        if (o.limitToMaterial && !ReadTag(LXi_PTAG_MATR, material)) return false;
        if (o.limitToPartName && !ReadTag(LXi_PTAG_PART, part)) return false;
        const double p = o.limitBySize ? Perimeter() : 0.0;
        if (!o.limitToPlane) {
            return (!o.limitBySize || AnyTargetSizeMatches(p)) &&
                   (!o.limitToMaterial || m_materials.count(material)) &&
                   (!o.limitToPartName || m_parts.count(part));
        }
        const auto any = [&](auto accept) { return m_index->AnyInPlane(centre, accept); };
        if (!any([](std::size_t) { return true; })) return false;
        if (o.limitBySize && !any([&](std::size_t i) { return SizeMatches(p, m_targets[i].perimeter); }))
            return false;
        if (o.limitToMaterial && !any([&](std::size_t i) { return m_targets[i].material == material; }))
            return false;
        return !o.limitToPartName || any([&](std::size_t i) { return m_targets[i].part == part; });
    }
    bool SizeMatches(double p, double q) const {
        const double eps = qk::constants::EPSILON;
        const double s = m_sizeVariation;
        const double lower = (p - s < 0.0) ? kMinSizeLowerBound : p - s;
        const double upper = s + p;
        if (std::fabs(q - p) <= eps) return true;
        return s > 0.0 &&
               ((lower < q && q < upper) || std::fabs(q - upper) <= eps || std::fabs(q - lower) <= eps);
    }
    // Every perimeter that can match lies in [p - eps, p + eps] or [lower - eps, upper + eps].
    bool AnyTargetSizeMatches(double p) const {
        const double eps = qk::constants::EPSILON, s = m_sizeVariation;
        double from = p - eps, to = p + eps;
        if (s > 0.0) {
            const double lower = (p - s < 0.0) ? kMinSizeLowerBound : p - s;
            from = std::min(from, lower - eps);
            to = std::max(to, s + p + eps);
        }
        const double slack = 1e-9 * (std::fabs(from) + std::fabs(to) + 1.0);
        auto it = std::lower_bound(m_perimeters.begin(), m_perimeters.end(), from - slack);
        for (; it != m_perimeters.end() && *it <= to + slack; ++it)
            if (SizeMatches(p, *it)) return true;
        return false;
    }

    double m_sizeVariation = 0.0;
    double m_normalVariation = 0.0;
    std::vector<double> m_perimeters;
    std::unordered_set<std::string> m_materials, m_parts;
};

static const LXtTextValueHint kMatchModeHints[] = {{0, "fast"}, {1, "full"}, {-1, nullptr}};

class gORVA_Command_SelectbyNormal : public qk::SelectCommand {
public:
    gORVA_Command_SelectbyNormal() {
        dyna_Add("match_mode", LXsTYPE_INTEGER);
        dyna_SetHint(0, kMatchModeHints);
        m_markUser1 = m_meshService.SetMode("user1");
        m_clearUser1 = m_meshService.ClearMode("user1");
    }

    /// Registers the server under its name with the command and attribute interfaces.
    static void initialize() { qk::RegisterCommand<gORVA_Command_SelectbyNormal>(kServerName); }

    bool basic_Enable(CLxUser_Message &msg) override {
        qk::EnableReport report(msg, kServerName);
        const bool polygonMode = m_selection.CurrentType(qk::kSelectionTypes) == LXiSEL_POLYGON;
        report.Check(polygonMode && qk::DoMeshItemsContainPolygons(), "WrongSelectionType");
        return report.Finish();
    }

    void cmd_Execute(unsigned flags) override {
        if (!ReadLayerXfrms()) return;
        static const LXtID4 kTypes[] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, LXiSEL_ITEM, 0};
        const LXtID4 type = m_selection.CurrentType(kTypes);
        const Settings settings = ReadSettings();
        if (type != LXiSEL_POLYGON) return;

        std::vector<SelectedPolygonInfo> targets;
        if (!CollectTargets(targets) || targets.empty()) return;

        CLxUser_LayerScan scan;
        if (!m_layerSvc.BeginScan(kScanFlags, scan)) return;
        if (settings.limitToContiguous) MarkConnectedRegion(scan);
        const std::vector<PolygonList> matched =
            MatchMode() == 1 ? CompareFull(scan, targets, settings) : CompareFast(scan, targets);
        // The region marks are only this run's scratch: a later run must grow its own region.
        if (settings.limitToContiguous) SetMarksOnAll(scan, m_clearUser1);
        SelectMatches(scan, matched);
        scan.Apply();
    }

private:
    /// Fills the world and rotation lists, one per active layer; false when there is nothing to do.
    bool ReadLayerXfrms() {
        m_worldXfrms.clear();
        m_rotationXfrms.clear();
        CLxUser_LayerScan scan;
        if (!m_layerSvc.BeginScan(kScanFlags, scan)) return false;
        const unsigned count = scan.NumLayers();
        const double time = m_selection.GetTime();
        for (unsigned i = 0; i < count; ++i) {
            CLxUser_Item item;
            CLxUser_ChannelRead chan;
            const bool readable = scan.ItemByIndex(i, item) && chan.from(item, time);
            m_worldXfrms.push_back(readable ? ReadMatrix(chan, item, LXsICHAN_XFRMCORE_WORLDMATRIX)
                                            : Matrix4());
            m_rotationXfrms.push_back(readable ? ReadMatrix(chan, item, LXsICHAN_XFRMCORE_WROTMATRIX)
                                               : Matrix4());
        }
        scan.Apply();
        return count > 0;
    }

    /// A 4x4 matrix channel, or the identity when it cannot be read.
    static Matrix4 ReadMatrix(CLxUser_ChannelRead &chan, CLxUser_Item &item, const char *channel) {
        Matrix4 m;
        qk::ReadMatrixChannel(chan, item, channel, m);
        return m;
    }

    static Settings ReadSettings() {
        Settings s;
        s.options.limitToPlane = qk::GetUserValueInt("gORVA_01_SelectbyNormal_LimitToPlane", 0) != 0;
        s.options.limitBySize = qk::GetUserValueInt("gORVA_01_SelectbyNormal_LimitBySize", 0) != 0;
        s.options.limitToMaterial = qk::GetUserValueInt("gORVA_01_SelectbyNormal_LimitToMaterial", 0) != 0;
        s.options.limitToPartName = qk::GetUserValueInt("gORVA_01_SelectbyNormal_LimitToPartName", 0) != 0;
        s.limitToContiguous = qk::GetUserValueInt("gORVA_01_SelectbyNormal_LimitToContiguous", 0) != 0;
        s.includeFlipNormals = qk::GetUserValueInt("gORVA_01_SelectbyNormal_IncludeFlipNormals", 0) != 0;
        s.sizeVariation = qk::GetUserValueFloat("gORVA_01_SelectbyNormal_SizeVariation", 0.0);
        s.normalVariation = qk::GetUserValueFloat("gORVA_01_SelectbyNormal_NormalVariation", 0.0);
        return s;
    }

    /// 1 for full mode; every other value is fast mode.
    int MatchMode() {
        CLxUser_Value &value = dyna_Value(0);
        int mode = 0;
        if (!value.test() || LXx_FAIL(value.GetInt(&mode))) mode = dyna_Int(0);
        return mode == 1 ? 1 : 0;
    }

    /// Binds a visitor to layer i's mesh and transforms; false when the layer must be skipped.
    bool SetupLayer(CLxUser_LayerScan &scan, unsigned i, PolygonMeasuringVisitor &visitor) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(i, mesh) || !visitor.SetMesh(mesh) || !visitor.SetupStringTag())
            return false;
        visitor.SetItemXfrms(m_worldXfrms[i], m_rotationXfrms[i]);
        return true;
    }

    /// Measures the selected polygons of every layer; false when the layers changed since the
    /// transforms were read.
    bool CollectTargets(std::vector<SelectedPolygonInfo> &targets) {
        CLxUser_LayerScan scan;
        if (!m_layerSvc.BeginScan(kScanFlags, scan)) return false;
        const unsigned count = scan.NumLayers();
        if (count != m_worldXfrms.size()) return false;
        GetSelectedPolygonInfoVisitor visitor;
        for (unsigned i = 0; i < count; ++i) {
            visitor.Reset();
            if (!SetupLayer(scan, i, visitor)) continue;
            qk::Visit(visitor.Polygons(), visitor, m_selectedMode);
            const std::vector<SelectedPolygonInfo> infos = visitor.GetPolygonInfo();
            targets.insert(targets.end(), infos.begin(), infos.end());
        }
        scan.Apply();
        return true;
    }

    /// Marks "user1" the polygons joined to the selection through shared edges, after clearing marks
    /// that anyone left behind, so that the full-mode search covers this run's region only.
    void MarkConnectedRegion(CLxUser_LayerScan &scan) {
        SetMarksOnAll(scan, m_clearUser1);
        const unsigned count = scan.NumLayers();
        for (unsigned i = 0; i < count; ++i) {
            CLxUser_Mesh mesh;
            CLxUser_Polygon poly;
            if (!scan.BaseMeshByIndex(i, mesh) || !poly.fromMesh(mesh)) continue;
            CornerVisitor corners(poly, m_selectedMode);
            qk::Visit(poly, corners, m_allMode);
            const std::vector<bool> region = ConnectedRegion(corners.polygons, corners.seeds);
            for (std::size_t k = 0; k < region.size(); ++k) {
                if (!region[k] || LXx_FAIL(poly.Select(corners.ids[k]))) continue;
                poly.SetMarks(m_markUser1);
                m_log.DebugOut(2, "Set mark on a polygon \n");
            }
        }
    }

    /// Applies a mark mode to every polygon of every layer.
    void SetMarksOnAll(CLxUser_LayerScan &scan, LXtMarkMode mode) {
        const unsigned count = scan.NumLayers();
        for (unsigned i = 0; i < count; ++i) {
            CLxUser_Mesh mesh;
            CLxUser_Polygon poly;
            if (!scan.BaseMeshByIndex(i, mesh) || !poly.fromMesh(mesh)) continue;
            MarkingVisitor marker(poly, mode, true, m_log);
            qk::Visit(poly, marker, m_allMode);
        }
    }

    /// Matches per layer (empty for skipped layers); the plane limit applies with several targets.
    std::vector<PolygonList> CompareFast(CLxUser_LayerScan &scan,
                                         const std::vector<SelectedPolygonInfo> &targets) {
        FastComparePolygonVisitor visitor;
        MatchOptions options;
        options.limitToPlane = targets.size() > 1;
        visitor.SetTargetPolys(targets);
        visitor.SetMatchOptions(options);
        return CompareLayers(scan, visitor, m_allMode);
    }

    std::vector<PolygonList> CompareFull(CLxUser_LayerScan &scan, std::vector<SelectedPolygonInfo> targets,
                                         const Settings &settings) {
        if (settings.includeFlipNormals) AppendFlipped(targets);
        ComparePolygonVisitor visitor;
        visitor.SetTargetPolys(targets);
        visitor.SetMatchOptions(settings.options);
        visitor.SetSizeVariationLimit(settings.sizeVariation);
        visitor.SetNormalAngleVariation(settings.normalVariation);
        visitor.IndexLimits();
        return CompareLayers(scan, visitor, settings.limitToContiguous ? m_markUser1 : m_allMode);
    }

    static void AppendFlipped(std::vector<SelectedPolygonInfo> &targets) {
        const size_t count = targets.size();
        for (size_t i = 0; i < count; ++i) {
            SelectedPolygonInfo flipped = targets[i];
            for (double &c : flipped.normal) c = -c;
            targets.push_back(flipped);
        }
    }

    template <class Visitor>
    std::vector<PolygonList> CompareLayers(CLxUser_LayerScan &scan, Visitor &visitor, LXtMarkMode mode) {
        const unsigned count = scan.NumLayers();
        std::vector<PolygonList> matched(count);
        for (unsigned i = 0; i < count; ++i) {
            visitor.ClearMatchedPolygonIDs();
            if (!SetupLayer(scan, i, visitor)) continue;
            visitor.ReserveMatches();
            qk::Visit(visitor.Polygons(), visitor, mode);
            matched[i] = visitor.TakeMatchedPolygonIDs();
        }
        return matched;
    }

    /// Replaces the polygon selection with the matches under a monitor of at most 50 steps. After an
    /// abort the rest of that layer stays unselected and the following layers are selected unmonitored.
    void SelectMatches(CLxUser_LayerScan &scan, const std::vector<PolygonList> &matched) {
        if (qk::TotalCount(matched) == 0) return;
        m_selection.Clear(m_selection.LookupType(LXsSELTYP_POLYGON));
        CLxUser_PolygonPacketTranslation packets;
        if (!packets.autoInit()) return;
        qk::SelectInOneSweep(
            m_selection, LXiSEL_POLYGON, scan, matched,
            [&packets](CLxUser_Mesh &mesh, LXtPolygonID id) { return packets.Packet(id, mesh); });
    }

    CLxUser_LayerService m_layerSvc;
    LXtMarkMode m_markUser1 = LXiMARK_ANY;
    LXtMarkMode m_clearUser1 = LXiMARK_ANY;
    std::vector<Matrix4> m_worldXfrms;
    std::vector<Matrix4> m_rotationXfrms;
};

/// Registers "gORVA.Cmd.SelectbyNormal" with the module.
void initialize() {
    gORVA_Command_SelectbyNormal::initialize();
}

}  // namespace gORVA_Cmds_SelectbyNormal
