// Adds one light at the centre of every selected polygon, facing along the polygon's normal with its
// sides following the polygon's edges; area lights and portals are sized to the polygon. A failed run
// reports its key on the command's message with a failure code, and the host takes back whatever the
// run had already added to the scene.
#include <algorithm>
#include <cmath>
#include <string>
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
#include "CMD_AddLightAtPolyPos_Geometry.hpp"
#include "qk_command.hpp"
#include "qk_constants.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_math.hpp"
#include "qk_near_duplicates.hpp"
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

/// One selected polygon and the light made for it; positions in world space, metres.
struct SelectedPolygon {
    LXtPolygonID polygon = nullptr;
    Vector3 centre;
    /// Polygon normal turned by the item's world rotation; zero when it could not be read.
    Vector3 normal;
    /// Vertices in polygon order.
    std::vector<Vector3> points;
    LightAxes axes;
    /// The light's scale; (1, 1, 1) unless the light is sized to the polygon.
    Vector3 scale{1.0, 1.0, 1.0};
};

namespace {

using qk::constants::EPSILON;
using qk::math::Matrix4;

/// World and rotation matrices of an item at a time; identity for whatever cannot be read.
struct ItemTransforms {
    std::string ident;
    Matrix4 world;
    Matrix4 rotation;
};

void ReadTransforms(CLxUser_Item &item, double time, ItemTransforms &xf) {
    xf.ident = item.GetIdentity();
    xf.world = xf.rotation = Matrix4();
    CLxUser_ChannelRead read;
    if (!read.from(item, time)) return;
    qk::ReadMatrixChannel(read, item, LXsICHAN_XFRMCORE_WORLDMATRIX, xf.world);
    qk::ReadMatrixChannel(read, item, LXsICHAN_XFRMCORE_WROTMATRIX, xf.rotation);
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
        entry.axes = OrientToPolygon(entry.normal, entry.points, flip);
        if (sized) entry.scale = SizeToPolygon(entry.points, entry.centre, entry.axes);
        if (std::fabs(offset) > EPSILON) entry.centre += entry.normal * offset;
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
    qk::math::NearDuplicateFilter filter(EPSILON);
    ItemTransforms cache;
    for (unsigned i = n; i-- > 0;) {
        SelectedPolygon entry;
        if (!ReadPolygon(m_selSvc.ByIndex(polyType, i), translation, cache, entry)) continue;
        if (n > 1 && !filter.Keep(entry.centre, entry.normal)) continue;
        reversed.push_back(std::move(entry));
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
    if (LXx_OK(polyAcc.Normal(normal)))
        entry.normal = qk::math::TransformPoint(cache.rotation, Vector3(normal));

    unsigned count = 0;
    if (LXx_FAIL(polyAcc.VertexCount(&count)) || count == 0) return false;
    Vector3 sum;
    for (unsigned v = 0; v < count; ++v) {
        LXtPointID point = nullptr;
        LXtFVector pos;
        if (LXx_FAIL(polyAcc.VertexByIndex(v, &point)) || LXx_FAIL(pointAcc.Select(point)) ||
            LXx_FAIL(pointAcc.Pos(pos)))
            return false;
        const Vector3 world = qk::math::TransformPoint(cache.world, Vector3(pos));
        entry.points.push_back(world);
        sum += world;
    }
    const double vertices = double(count);
    entry.centre = Vector3(sum.x() / vertices, sum.y() / vertices, sum.z() / vertices);
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
        const Matrix4 scale = qk::math::ScaleMatrix(entry.scale.x(), entry.scale.y(), entry.scale.z());
        if (sized && LXx_FAIL(locator.SetScale(m_chanRead, m_chanWrite, scale, kXfrmType, kNoLink)))
            return Fail("FailedToSetXfrmChannels");
        LXtMatrix rotation;  // the axes as columns
        qk::math::RotationColumns(LightRotation(entry.axes), rotation);
        if (LXx_FAIL(locator.SetRotation(m_chanRead, m_chanWrite, rotation, kXfrmType, kNoLink)) ||
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
