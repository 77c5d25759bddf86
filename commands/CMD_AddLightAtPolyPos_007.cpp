// Adds one light at the centre of every selected polygon, facing along the polygon's normal with its
// sides following the polygon's edges; area lights and portals are sized to the polygon. A failed run
// reports its key on the command's message with a failure code, and the host takes back whatever the
// run had already added to the scene.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_command.hpp"
#include "lx_item.hpp"
#include "lx_locator.hpp"
#include "lx_log.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_seltypes.hpp"
#include "lx_value.hpp"
#include "lxidef.h"
#include "lxu_math.hpp"
#include "qk_command.hpp"
#include "qk_constants.hpp"
#include "qk_math.hpp"
#include "qk_sdk_compat.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Cmds_AddLightAtPolyPos {

/// Light material colour channels, written with components in 0..1 (values outside are kept).
const char *const LIGHT_COLOUR_CHANNEL_RED = "lightCol.R";
const char *const LIGHT_COLOUR_CHANNEL_GREEN = "lightCol.G";
const char *const LIGHT_COLOUR_CHANNEL_BLUE = "lightCol.B";

namespace {

const char *const kServerName = "gORVA.Cmd.AddLightAtPolyPos";
const char *const kTable = "gORVA.Cmd.AddLightAtPolyPos";
const char *const kUserName = "Add Light to Poly Pos";
const char *const kDesc = "Add a light at the position of- and orientated to- each selected polygon.";

/// The most polygons one run accepts.
constexpr size_t kMaxPolygons = 1600;
/// Most steps of the monitors shown while adding the lights and while selecting items.
constexpr size_t kLightMonitorSteps = 50;
constexpr size_t kSelectMonitorSteps = 20;
/// Locator transform type of the item's own (local) channels, and no linked transform.
constexpr unsigned kXfrmType = LXiLOCATOR_LOCAL;
constexpr unsigned kNoLink = 0;

enum Argument : unsigned {
    ARG_LIGHT_TYPE,
    ARG_SELECT_LIGHTS,
    ARG_RADIANT_EMITTANCE,
    ARG_LIGHT_COLOUR,
    ARG_OFFSET_DISTANCE,
    ARG_GROUP_LIGHTS,
    ARG_GROUP_NAME,
    ARG_USE_INSTANCES,
    ARG_FLIP_FACING
};

enum LightType : int {
    LIGHT_AREA,
    LIGHT_PHOTOMETRIC,
    LIGHT_POINT,
    LIGHT_PORTAL,
    LIGHT_SPOT,
    LIGHT_TYPE_COUNT
};

const LXtTextValueHint kLightTypeHints[] = {{LIGHT_AREA, "Area"},   {LIGHT_PHOTOMETRIC, "Photometric"},
                                            {LIGHT_POINT, "Point"}, {LIGHT_PORTAL, "Portal"},
                                            {LIGHT_SPOT, "Spot"},   {-1, nullptr}};
const LXtTextValueHint kSelectLightsHints[] = {
    {0, "None"}, {1, "Lights"}, {2, "Light Materials"}, {3, "Lights and Light Materials"}, {-1, nullptr}};

const char *const kLightItemTypes[LIGHT_TYPE_COUNT] = {"areaLight", "photometryLight", "pointLight", "portal",
                                                       "spotLight"};
const char *const kGroupNames[LIGHT_TYPE_COUNT] = {"Area Lights", "Photometric Lights", "Point Lights",
                                                   "Portals", "Spot Lights"};

bool IsSized(int lightType) {
    return lightType == LIGHT_AREA || lightType == LIGHT_PORTAL;
}

}  // namespace

/// A position in metres, world space.
struct Point {
    double x = 0.0, y = 0.0, z = 0.0;
};

/// Orders points from the highest (largest y) down.
bool ComparePointHeights(const Point &a, const Point &b) {
    return a.y > b.y;
}

/// Axis-aligned box over points; starts empty (min 1e7, max -1e7), so an empty box has a negative extent.
class BBox {
public:
    BBox() { Reset(); }
    /// Empties the box.
    void Reset() {
        for (int i = 0; i < 3; ++i) {
            min[i] = 10000000.0;
            max[i] = -10000000.0;
        }
    }
    /// Widens the box by every point.
    void AddPoints(const std::vector<Point> &points) {
        for (const Point &p : points) {
            const double c[3] = {p.x, p.y, p.z};
            for (int i = 0; i < 3; ++i) {
                if (c[i] < min[i]) min[i] = c[i];
                if (c[i] > max[i]) max[i] = c[i];
            }
        }
    }
    /// out = mid point of the box.
    void GetCenter(LXtVector out) const {
        for (int i = 0; i < 3; ++i) out[i] = (max[i] + min[i]) * 0.5;
    }
    /// out = maximum minus minimum, per axis.
    void GetExtent(LXtVector out) const {
        for (int i = 0; i < 3; ++i) out[i] = max[i] - min[i];
    }

    LXtVector min;
    LXtVector max;
};

/// One selected polygon and the light made for it; positions in world space, metres.
struct SelectedPolygon {
    SelectedPolygon() {
        qk::math::Matrix3SetIdentity(orientation);
        qk::math::Matrix4SetIdentity(scale);
    }
    LXtPolygonID polygon = nullptr;
    LXtVector centre = {0.0, 0.0, 0.0};
    /// Polygon normal turned by the item's world rotation; zero when it could not be read.
    LXtVector normal = {0.0, 0.0, 0.0};
    /// Columns right, up and forward of the light.
    LXtMatrix orientation;
    /// The light's scale; identity unless the light is sized to the polygon.
    LXtMatrix4 scale;
    /// Vertices in polygon order.
    std::vector<Point> points;
    BBox box;
};

namespace {

using qk::constants::EPSILON;
using qk::math::Normalized;
using qk::math::Vector3;

Vector3 ToVector(const Point &p) {
    return {p.x, p.y, p.z};
}

bool SameVector(const Vector3 &a, const Vector3 &b) {
    return qk::math::LxtVectorCompareAbs(a, b, EPSILON);
}

/// Edge rule and handedness: up = f x right, and right flips when (right, up, f) would be left-handed.
void HandedAxes(const Vector3 &f, Vector3 &right, Vector3 &up) {
    up = Normalized(qk::math::Cross(f, right));
    if (!SameVector(Normalized(qk::math::Cross(right, up)), f)) {
        right = -right;
        up = Normalized(qk::math::Cross(f, right));
    }
}

/// Right axis level with the ground and perpendicular to the facing f.
Vector3 LevelRight(const Vector3 &f) {
    return Normalized(Vector3(f.z(), 0.0, -f.x()));
}

/// Fills entry.orientation from its normal and points (see the rules in the comments below).
void Orient(SelectedPolygon &entry, bool flipFacing) {
    Vector3 f(entry.normal);
    if (!flipFacing) f = -f;
    std::vector<Point> &pts = entry.points;
    Vector3 e;
    if (pts.size() >= 2) e = Normalized(ToVector(pts[1]) - ToVector(pts[0]));
    std::stable_sort(pts.begin(), pts.end(), ComparePointHeights);
    const bool twoPoints = pts.size() >= 2;
    const bool levelTop = twoPoints && std::fabs(pts[0].y - pts[1].y) <= EPSILON;
    const bool edgeOnAxis = SameVector(e, Vector3(1, 0, 0)) || SameVector(e, Vector3(0, 0, 1));

    Vector3 right, up;
    if (levelTop && std::fabs(f.y()) <= EPSILON) {
        // Upright polygon: the light stands upright too.
        up = Vector3(0, 1, 0);
        right = LevelRight(f);
    } else if (std::fabs(f.y() - 1.0) <= EPSILON && edgeOnAxis) {
        right = Vector3(1, 0, 0);
        up = Vector3(0, 0, -1);
    } else if (std::fabs(f.y() + 1.0) <= EPSILON && edgeOnAxis) {
        right = Vector3(1, 0, 0);
        up = Vector3(0, 0, 1);
    } else if (std::fabs(std::fabs(f.y()) - 1.0) <= EPSILON) {
        // Facing straight up or down with a first edge off the axes: follow that edge.
        right = e;
        HandedAxes(f, right, up);
    } else if (levelTop) {
        right = LevelRight(f);
        up = Normalized(qk::math::Cross(f, right));
    } else {
        right = twoPoints ? Normalized(ToVector(pts[0]) - ToVector(pts[1])) : Vector3();
        HandedAxes(f, right, up);
    }
    qk::math::Matrix3Construct(entry.orientation, right, up, f);
}

/// Scale of a light sized to the polygon: its extent along the light's right and up axes, depth 1.
void SizeToPolygon(SelectedPolygon &entry) {
    LXtMatrix4 m;
    LXtVector negCentre = {-entry.centre[0], -entry.centre[1], -entry.centre[2]};
    qk::math::Matrix4Construct(m, entry.orientation, negCentre);
    for (Point &p : entry.points) {
        LXtVector v = {p.x, p.y, p.z};
        lx::Matrix4Multiply(v, m, v);
        p = {v[0], v[1], v[2]};
    }
    entry.box.Reset();
    entry.box.AddPoints(entry.points);
    LXtVector extent;
    entry.box.GetExtent(extent);
    qk::math::Matrix4SetScale(entry.scale, extent[0], extent[1], 1.0);
}

/// Keeps one entry per (centre, normal) within 1e-6 per component. Entries are offered from the last
/// selected back to the first, so the last selected of coincident polygons is the one kept. Cells of a
/// coarse grid over the centres keep this linear in the number of polygons.
class DuplicateFilter {
public:
    explicit DuplicateFilter(const std::vector<SelectedPolygon> &list) : m_list(list) {}

    /// True when no kept entry matches m_list[index]; the entry is then kept.
    bool Keep(size_t index) {
        const SelectedPolygon &entry = m_list[index];
        int64_t cell[3];
        const bool hashed = CellOf(entry.centre, cell);
        const std::vector<size_t> *candidates[27];
        unsigned n = 0;
        if (hashed) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dz = -1; dz <= 1; ++dz) {
                        auto it = m_cells.find(Key(cell[0] + dx, cell[1] + dy, cell[2] + dz));
                        if (it != m_cells.end()) candidates[n++] = &it->second;
                    }
        } else {
            candidates[n++] = &m_loose;
        }
        for (unsigned c = 0; c < n; ++c)
            for (size_t kept : *candidates[c])
                if (Matches(m_list[kept], entry)) return false;
        (hashed ? m_cells[Key(cell[0], cell[1], cell[2])] : m_loose).push_back(index);
        return true;
    }

private:
    static constexpr double kCell = 1e-3;  // far above the tolerance, so the neighbour cells cover it
    static constexpr double kHashLimit = 1e12;

    static bool Matches(const SelectedPolygon &a, const SelectedPolygon &b) {
        return qk::math::LxtVectorCompareAbs(a.centre, b.centre, EPSILON) &&
               qk::math::LxtVectorCompareAbs(a.normal, b.normal, EPSILON);
    }
    static bool CellOf(const LXtVector c, int64_t cell[3]) {
        for (int i = 0; i < 3; ++i) {
            if (!(std::fabs(c[i]) < kHashLimit)) return false;  // huge or not a number
            cell[i] = int64_t(std::floor(c[i] / kCell));
        }
        return true;
    }
    static uint64_t Key(int64_t x, int64_t y, int64_t z) {
        uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull;
        h ^= uint64_t(y) + 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= uint64_t(z) + 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return h;
    }

    const std::vector<SelectedPolygon> &m_list;
    // Cells are keyed by a hash; two cells sharing a key only cost extra comparisons.
    std::unordered_map<uint64_t, std::vector<size_t>> m_cells;
    std::vector<size_t> m_loose;  // centres too large (or not numbers) for the grid
};

/// World and rotation matrices of an item at a time; identity for whatever cannot be read.
struct ItemTransforms {
    std::string ident;
    LXtMatrix4 world;
    LXtMatrix4 rotation;
};

void ReadMatrix(CLxUser_ChannelRead &read, CLxUser_Item &item, const char *channel, LXtMatrix4 out) {
    qk::math::Matrix4SetIdentity(out);
    CLxUser_Matrix matrix;
    LXtMatrix4 m;
    if (read.Object(item, channel, matrix) && LXx_OK(matrix.Get4(m)))
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) out[i][j] = m[i][j];
}

void ReadTransforms(CLxUser_Item &item, double time, ItemTransforms &xf) {
    xf.ident = item.GetIdentity();
    qk::math::Matrix4SetIdentity(xf.world);
    qk::math::Matrix4SetIdentity(xf.rotation);
    CLxUser_ChannelRead read;
    if (!read.from(item, time)) return;
    ReadMatrix(read, item, LXsICHAN_XFRMCORE_WORLDMATRIX, xf.world);
    ReadMatrix(read, item, LXsICHAN_XFRMCORE_WROTMATRIX, xf.rotation);
}

}  // namespace

/// The "gORVA.Cmd.AddLightAtPolyPos" command.
class gORVA_AddLightAtPolyPos : public qk::Command {
public:
    gORVA_AddLightAtPolyPos() {
        dyna_Add("light_type", LXsTYPE_INTEGER);
        dyna_SetHint(ARG_LIGHT_TYPE, kLightTypeHints);
        dyna_Add("select_lights", LXsTYPE_INTEGER);
        dyna_SetHint(ARG_SELECT_LIGHTS, kSelectLightsHints);
        dyna_Add("radiant_emittance", LXsTYPE_LIGHT);
        dyna_Add("light_colour", LXsTYPE_COLOR);
        dyna_Add("offset_distance", LXsTYPE_DISTANCE);
        dyna_Add("group_lights", LXsTYPE_BOOLEAN);
        dyna_Add("group_name", LXsTYPE_STRING);
        dyna_Add("use_instances", LXsTYPE_BOOLEAN);
        dyna_Add("flip_facing", LXsTYPE_BOOLEAN);
    }

    /// Registers the server under its name.
    static void initialize() { qk::RegisterCommand<gORVA_AddLightAtPolyPos>(kServerName); }

    int basic_CmdFlags() override { return qk::kSceneCommandFlags; }

    bool basic_Enable(CLxUser_Message &msg) override {
        qk::EnableReport report(msg, kTable);
        report.Check(qk::IsSetPolygonSelection(1), "NeedsPolygonSelection");
        return report.Finish();
    }

    LxResult cmd_UserName(const char **name) override {
        *name = kUserName;
        return LXe_OK;
    }
    LxResult cmd_ButtonName(const char **name) override {
        *name = kUserName;
        return LXe_OK;
    }
    LxResult cmd_Desc(const char **desc) override {
        *desc = kDesc;
        return LXe_OK;
    }

    void cmd_Execute(unsigned flags) override;

    /// Adds the items to the item selection (keeping what is selected) under a monitor titled `title`.
    void SelectItems(std::vector<CLxUser_Item> &items, const char *title);

private:
    /// Reports a failed run with the key; always false.
    bool Fail(const char *key) {
        CLxUser_Message &msg = basic_Message();
        if (msg.test()) {
            msg.SetMessage(kTable, key, 0);
            msg.SetCode(LXe_FAILED);
        }
        return false;
    }

    /// An argument's value as it stands, given or not (an argument never given reads as 0).
    int ArgInt(unsigned index) {
        int value = 0;
        CLxUser_Value &arg = dyna_Value(index);
        if (arg.test() && LXx_FAIL(arg.GetInt(&value))) value = 0;
        return value;
    }
    double ArgFloat(unsigned index) {
        double value = 0.0;
        CLxUser_Value &arg = dyna_Value(index);
        if (arg.test() && LXx_FAIL(arg.GetFlt(&value))) value = 0.0;
        return value;
    }

    bool Run();
    bool GatherPolygons(std::vector<SelectedPolygon> &entries);
    bool ReadPolygon(void *packet, CLxUser_PolygonPacketTranslation &translation, ItemTransforms &cache,
                     SelectedPolygon &entry);
    bool OpenScene();
    bool AddGroup(int lightType);
    bool AddLights(LXtItemType type, size_t count);
    bool PlaceLights(const std::vector<SelectedPolygon> &entries, bool sized);
    void WriteRadiance();
    void CollectMaterials();
    void WriteColour();

    CLxUser_SelectionService m_selSvc;
    CLxUser_SceneService m_sceneSvc;
    CLxUser_LogService m_logSvc;

    // Working state of one run.
    double m_time = 0.0;
    CLxUser_Scene m_scene;
    CLxUser_ChannelRead m_chanRead;
    CLxUser_ChannelWrite m_chanWrite;
    CLxUser_Item m_group;
    std::vector<CLxUser_Item> m_lights;
    std::vector<CLxUser_Item> m_materials;
};

void gORVA_AddLightAtPolyPos::cmd_Execute(unsigned flags) {
    Run();
    m_scene.clear();
    m_chanRead.clear();
    m_chanWrite.clear();
    m_group.clear();
    m_lights.clear();
    m_materials.clear();
}

bool gORVA_AddLightAtPolyPos::Run() {
    const int lightType = ArgInt(ARG_LIGHT_TYPE);
    if (lightType < 0 || lightType >= LIGHT_TYPE_COUNT) return Fail("NeedsValidLightType");
    const LXtItemType itemType = m_sceneSvc.ItemType(kLightItemTypes[lightType]);
    if (itemType == LXiTYPE_NONE) return Fail("NeedsValidLightType");

    std::vector<SelectedPolygon> entries;
    if (!GatherPolygons(entries)) return false;

    const bool flip = ArgInt(ARG_FLIP_FACING) != 0;
    const bool sized = IsSized(lightType);
    const double offset = ArgFloat(ARG_OFFSET_DISTANCE);
    for (SelectedPolygon &entry : entries) {
        Orient(entry, flip);
        if (sized) SizeToPolygon(entry);
        if (std::fabs(offset) > EPSILON)
            for (int i = 0; i < 3; ++i) entry.centre[i] += entry.normal[i] * offset;
    }

    if (!OpenScene()) return false;
    if (ArgInt(ARG_GROUP_LIGHTS) != 0 && !AddGroup(lightType)) return false;
    if (!AddLights(itemType, entries.size())) return false;
    if (m_group.test())
        for (CLxUser_Item &light : m_lights) light.SetParent(m_group);
    if (!PlaceLights(entries, sized)) return false;
    WriteRadiance();
    CollectMaterials();
    WriteColour();

    switch (ArgInt(ARG_SELECT_LIGHTS)) {
        case 0:
            break;
        case 1:
            SelectItems(m_lights, "Selecting Lights...");
            break;
        case 2:
            SelectItems(m_materials, "Selecting Light Materials...");
            break;
        default:
            SelectItems(m_lights, "Selecting Lights...");
            SelectItems(m_materials, "Selecting Light Materials...");
            break;
    }
    return true;
}

bool gORVA_AddLightAtPolyPos::GatherPolygons(std::vector<SelectedPolygon> &entries) {
    entries.clear();
    CLxUser_PolygonPacketTranslation translation;
    const LXtID4 polyType = m_selSvc.LookupType(LXsSELTYP_POLYGON);
    // A count the service cannot give (-1) reads as no selection.
    const unsigned n = polyType ? unsigned(std::max(m_selSvc.Count(polyType), 0)) : 0;
    if (n == 0 || !translation.autoInit()) return Fail("NeedsPolygonSelection");
    m_time = m_selSvc.GetTime();

    // Walk from the last selected back, so that of coincident polygons the last selected survives;
    // stop as soon as more survive than one run accepts.
    std::vector<SelectedPolygon> reversed;
    DuplicateFilter filter(reversed);
    ItemTransforms cache;
    for (unsigned i = n; i-- > 0;) {
        SelectedPolygon entry;
        if (!ReadPolygon(m_selSvc.ByIndex(polyType, i), translation, cache, entry)) continue;
        reversed.push_back(std::move(entry));
        if (n > 1 && !filter.Keep(reversed.size() - 1)) {
            reversed.pop_back();
            continue;
        }
        if (reversed.size() > kMaxPolygons) return Fail("NeedsFewerPolygons");
    }
    if (reversed.empty()) return Fail("NeedsPolygonSelection");
    entries.assign(std::make_move_iterator(reversed.rbegin()), std::make_move_iterator(reversed.rend()));
    return true;
}

bool gORVA_AddLightAtPolyPos::ReadPolygon(void *packet, CLxUser_PolygonPacketTranslation &translation,
                                          ItemTransforms &cache, SelectedPolygon &entry) {
    if (!packet) return false;
    void *obj = nullptr;
    CLxUser_Item item;
    CLxUser_Mesh mesh;
    if (LXx_FAIL(translation.Item(packet, &obj)) || !item.take(obj)) return false;
    obj = nullptr;
    if (LXx_FAIL(translation.Mesh(packet, &obj)) || !mesh.take(obj)) return false;
    LXtPolygonID polygon = nullptr;
    if (LXx_FAIL(translation.Polygon(packet, &polygon)) || !polygon) return false;

    CLxUser_Polygon polyAcc;
    CLxUser_Point pointAcc;
    if (!mesh.GetPolygons(polyAcc) || !mesh.GetPoints(pointAcc)) return false;
    if (LXx_FAIL(polyAcc.Select(polygon))) return false;
    entry.polygon = polygon;

    // Consecutive polygons mostly share their item; its matrices are read once.
    const std::string ident = item.GetIdentity();
    if (ident.empty() || ident != cache.ident) ReadTransforms(item, m_time, cache);

    LXtVector normal = {0.0, 0.0, 0.0};
    if (LXx_OK(polyAcc.Normal(normal))) lx::Matrix4Multiply(entry.normal, cache.rotation, normal);

    unsigned count = 0;
    if (LXx_FAIL(polyAcc.VertexCount(&count)) || count == 0) return false;
    Vector3 sum;
    for (unsigned v = 0; v < count; ++v) {
        LXtPointID point = nullptr;
        LXtFVector pos;
        if (LXx_FAIL(polyAcc.VertexByIndex(v, &point)) || LXx_FAIL(pointAcc.Select(point)) ||
            LXx_FAIL(pointAcc.Pos(pos)))
            return false;
        LXtVector world = {pos[0], pos[1], pos[2]};
        lx::Matrix4Multiply(world, cache.world, world);
        entry.points.push_back({world[0], world[1], world[2]});
        sum += Vector3(world);
    }
    for (int i = 0; i < 3; ++i) entry.centre[i] = sum[i] / double(count);
    return true;
}

bool gORVA_AddLightAtPolyPos::OpenScene() {
    const LXtID4 sceneType = m_selSvc.LookupType(LXsSELTYP_SCENE);
    void *packet = sceneType ? m_selSvc.ByIndex(sceneType, 0) : nullptr;
    CLxUser_ScenePacketTranslation translation;
    if (!packet || !translation.autoInit() || !translation.GetScene(packet, m_scene))
        return Fail("NeedsSceneItem");
    if (!m_scene.GetChannels(m_chanRead, m_time) ||
        !m_scene.SetChannels(m_chanWrite, LXs_ACTIONLAYER_EDIT, m_time))
        return Fail("NeedsSceneChannels");
    return true;
}

bool gORVA_AddLightAtPolyPos::AddGroup(int lightType) {
    const LXtItemType groupType = m_sceneSvc.ItemType(LXsITYPE_GROUPLOCATOR);
    if (groupType == LXiTYPE_NONE || !m_scene.NewItem(groupType, m_group))
        return Fail("NeedsGroupLocatorItem");
    std::string name;
    CLxUser_Value &groupName = dyna_Value(ARG_GROUP_NAME);
    if (groupName.test()) groupName.String(name);
    if (name.empty()) name = kGroupNames[lightType];
    m_group.SetName(name.c_str());
    return true;
}

bool gORVA_AddLightAtPolyPos::AddLights(LXtItemType type, size_t count) {
    if (ArgInt(ARG_USE_INSTANCES) != 0) {
        CLxUser_Item source;
        if (!m_scene.NewItem(type, source)) return Fail("FailedToAddItem");
        m_lights.push_back(source);
        for (size_t k = 1; k < count; ++k) {
            CLxUser_Item instance;
            if (qk::ItemInstance(m_scene, source, instance)) m_lights.push_back(instance);
        }
        return true;
    }

    qk::ProgressMonitor progress("Adding lights to scene...", count, kLightMonitorSteps);
    for (size_t k = 0; k < count; ++k) {
        CLxUser_Item light;
        if (m_scene.NewItem(type, light)) m_lights.push_back(light);
        if (!progress.Count()) break;
    }
    return true;
}

bool gORVA_AddLightAtPolyPos::PlaceLights(const std::vector<SelectedPolygon> &entries, bool sized) {
    const LXtItemType locatorType = m_sceneSvc.ItemType(LXsITYPE_LOCATOR);
    for (size_t j = 0; j < m_lights.size() && j < entries.size(); ++j) {
        CLxUser_Item &light = m_lights[j];
        const SelectedPolygon &entry = entries[j];
        CLxUser_Locator locator;
        if (locatorType == LXiTYPE_NONE || !light.IsA(locatorType) || !locator.set(light))
            return Fail("FailedToSetXfrmChannels");
        if (sized && LXx_FAIL(locator.SetScale(m_chanRead, m_chanWrite, entry.scale, kXfrmType, kNoLink)))
            return Fail("FailedToSetXfrmChannels");
        if (LXx_FAIL(locator.SetRotation(m_chanRead, m_chanWrite, entry.orientation, kXfrmType, kNoLink)) ||
            LXx_FAIL(locator.SetPosition(m_chanRead, m_chanWrite, entry.centre, kXfrmType, kNoLink)))
            return Fail("FailedToSetXfrmChannels");
    }
    return true;
}

void gORVA_AddLightAtPolyPos::WriteRadiance() {
    // Left at the host's default when not given: a light written with radiance 0 would be dark.
    if (!dyna_IsSet(ARG_RADIANT_EMITTANCE)) return;
    const double radiance = ArgFloat(ARG_RADIANT_EMITTANCE);
    for (CLxUser_Item &light : m_lights) m_chanWrite.Set(light, "radiance", radiance);
}

void gORVA_AddLightAtPolyPos::CollectMaterials() {
    const LXtItemType materialType = m_sceneSvc.ItemType(LXsITYPE_LIGHTMATERIAL);
    if (materialType == LXiTYPE_NONE) return;
    for (CLxUser_Item &light : m_lights) {
        unsigned subs = 0;
        if (LXx_FAIL(light.SubCount(&subs))) continue;
        for (unsigned s = 0; s < subs; ++s) {
            CLxUser_Item sub;
            if (light.SubByIndex(s, sub) && sub.TestType(materialType) == LXe_TRUE) {
                m_materials.push_back(sub);
                break;
            }
        }
    }
}

void gORVA_AddLightAtPolyPos::WriteColour() {
    double rgb[3] = {1.0, 1.0, 1.0};
    // An argument never given reads as black; white is the sensible colour then.
    CLxUser_ValueArray va;
    if (dyna_IsSet(ARG_LIGHT_COLOUR) && va.set(dyna_Value(ARG_LIGHT_COLOUR)) && va.Count() >= 3) {
        double c[3];
        if (LXx_OK(va.GetFloat(0, &c[0])) && LXx_OK(va.GetFloat(1, &c[1])) && LXx_OK(va.GetFloat(2, &c[2])))
            for (int i = 0; i < 3; ++i) rgb[i] = c[i];
    }
    for (CLxUser_Item &material : m_materials) {
        m_chanWrite.Set(material, LIGHT_COLOUR_CHANNEL_RED, rgb[0]);
        m_chanWrite.Set(material, LIGHT_COLOUR_CHANNEL_GREEN, rgb[1]);
        m_chanWrite.Set(material, LIGHT_COLOUR_CHANNEL_BLUE, rgb[2]);
    }
}

void gORVA_AddLightAtPolyPos::SelectItems(std::vector<CLxUser_Item> &items, const char *title) {
    if (items.empty()) return;
    const LXtID4 itemType = m_selSvc.LookupType(LXsSELTYP_ITEM);
    CLxUser_ItemPacketTranslation translation;
    if (!itemType || !translation.autoInit()) return;
    qk::ProgressMonitor progress(title, items.size(), kSelectMonitorSteps);
    for (CLxUser_Item &item : items) {
        void *packet = translation.Packet(item);
        if (packet) m_selSvc.Select(itemType, packet);
        if (!progress.Count()) break;
    }
}

/// Registers the command with the module.
void initialize() {
    gORVA_AddLightAtPolyPos::initialize();
}

}  // namespace gORVA_Cmds_AddLightAtPolyPos
