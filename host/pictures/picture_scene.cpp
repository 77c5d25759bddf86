#include "host/pictures/picture_scene.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "host/base/text_lines.hpp"
#include <lxmesh.h>

namespace gorva::host {

namespace {

const Rgba kSelect{1.0, 0.58, 0.12, 1.0};
const Rgba kWire{0.08, 0.09, 0.11, 0.85};

Vec3 Row(const Matrix4 &m, int r) {
    return {m[size_t(r)][0], m[size_t(r)][1], m[size_t(r)][2]};
}

/// Fill colours per material name, handed out in order of first appearance so that the materials
/// of one picture differ; muted so that shading and the highlight stay readable.
class MaterialColours {
public:
    Rgba Of(const char *material) {
        if (!material) return {0.74, 0.74, 0.76, 1};
        static const Rgba palette[] = {{0.80, 0.66, 0.52, 1}, {0.55, 0.70, 0.84, 1}, {0.84, 0.82, 0.74, 1},
                                       {0.62, 0.78, 0.58, 1}, {0.70, 0.60, 0.80, 1}, {0.86, 0.78, 0.50, 1},
                                       {0.58, 0.78, 0.76, 1}, {0.82, 0.58, 0.58, 1}};
        auto it = m_index.find(material);
        if (it == m_index.end()) it = m_index.emplace(material, m_index.size()).first;
        return palette[it->second % (sizeof palette / sizeof palette[0])];
    }

private:
    std::map<std::string, size_t> m_index;
};

/// The look of a polygon: its material's colour, shaded by its facing, highlighted when selected,
/// faded when its layer is not active.
PolygonLook PolygonStyle(MaterialColours &colours, const char *material, bool selected, bool active,
                         bool back, const Vec3 &normal, const Vec3 &light) {
    const Rgba background{0.24, 0.25, 0.27, 1};
    double shade = 0.32 + 0.68 * std::fabs(Dot(normal, light));
    if (back) shade *= 0.8;
    Rgba base = colours.Of(material);
    if (selected)
        for (int c = 0; c < 3; ++c) base[size_t(c)] = 0.35 * base[size_t(c)] + 0.65 * kSelect[size_t(c)];
    PolygonLook look;
    look.fill = {base[0] * shade, base[1] * shade, base[2] * shade, 1.0};
    if (!active)  // other layers show faded into the background
        for (int c = 0; c < 3; ++c)
            look.fill[size_t(c)] = 0.45 * look.fill[size_t(c)] + 0.55 * background[size_t(c)];
    look.wire = selected ? Rgba{1.0, 0.75, 0.35, active ? 1.0 : 0.3} : LayerWire(active);
    look.backFacing = back;
    look.selected = selected;
    look.normal = normal;
    return look;
}

/// A grid through the origin in the plane facing the view (the ground for persp and top).
void AddGrid(const ViewOptions &opts, const Bounds &bounds, std::vector<PictureLine> &grid) {
    int a = 0, b = 2;  // plane axes
    if (opts.view == "front") b = 1;
    if (opts.view == "side") a = 2, b = 1;
    double extent = 0;
    for (int i = 0; i < 3; ++i)
        extent = std::max({extent, std::fabs(bounds.min[size_t(i)]), std::fabs(bounds.max[size_t(i)])});
    extent *= 1.3;
    if (!std::isfinite(extent)) return;
    double step = std::pow(10.0, std::floor(std::log10(std::max(extent, 1e-3) / 5.0)));
    if (extent / step > 25)
        step *= 5;
    else if (extent / step > 12)
        step *= 2;
    int n = int(std::ceil(extent / step));
    for (int i = -n; i <= n; ++i) {
        for (int dir = 0; dir < 2; ++dir) {
            Vec3 p{0, 0, 0}, q{0, 0, 0};
            int along = dir ? a : b, across = dir ? b : a;
            p[size_t(across)] = q[size_t(across)] = i * step;
            p[size_t(along)] = -n * step;
            q[size_t(along)] = n * step;
            Rgba colour{1, 1, 1, 0.07};
            if (i == 0)
                colour = across == 0   ? Rgba{0.3, 0.5, 1.0, 0.5}
                         : across == 2 ? Rgba{1.0, 0.35, 0.3, 0.5}
                                       : Rgba{0.4, 0.9, 0.4, 0.5};
            grid.push_back({p, q, colour, 1.0});
        }
    }
}

void AddLocator(const PictureScene::Locator &item, double size, SceneMarks &marks) {
    const Matrix4 &m = item.world;
    Vec3 pos = Row(m, 3);
    if (item.light) {
        Rgba yellow{1.0, 0.86, 0.3, 1};
        if (item.width > 0 && item.height > 0) {
            std::vector<Vec3> rect;
            for (auto c : {std::array<double, 2>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
                rect.push_back(TransformPoint(m, {c[0] * item.width / 2, c[1] * item.height / 2, 0}));
            for (size_t i = 0; i < rect.size(); ++i)
                marks.lines.push_back({rect[i], rect[(i + 1) % rect.size()], yellow, 1.5});
        }
        // Lights shine down their -Z axis.
        Vec3 aim = Normalize(Scale(Row(m, 2), -1.0), {0, -1, 0});
        marks.lines.push_back({pos, Add(pos, Scale(aim, size * 2)), yellow, 1.5});
        marks.dots.push_back({pos, yellow, 10.0, false});
        marks.dots.push_back({pos, {0.2, 0.15, 0.0, 1}, 4.0, false});
    } else {
        static const Rgba axes[3] = {{1, 0.35, 0.3, 1}, {0.4, 0.9, 0.4, 1}, {0.35, 0.55, 1, 1}};
        for (int a = 0; a < 3; ++a)
            marks.lines.push_back(
                {pos, Add(pos, Scale(Normalize(Row(m, a), {0, 0, 0}), size)), axes[a], 1.5});
    }
    marks.labels.push_back({pos, item.name, item.selected ? kSelect : Rgba{0.92, 0.92, 0.92, 1}});
}

}  // namespace

Rgba LayerWire(bool active) {
    return {kWire[0], kWire[1], kWire[2], active ? kWire[3] : 0.3};
}

PictureScene ReadPictureScene(Document &doc) {
    Selection &selection = doc.Selected();
    PictureScene scene;
    WorldMatrixCache worlds;
    const int lightType = ItemTypeCode("light");
    for (const auto &holder : doc.Content().Items()) {
        const ItemData &item = *holder;
        if (item.type < 0 || !ItemTypes()[size_t(item.type)].locator) continue;
        const Matrix4 &world = worlds.Of(item);
        if (item.mesh) {
            scene.layers.push_back({item.mesh.get(), &item.mesh->Edges(), world, doc.IsActive(item)});
            for (const auto &p : item.mesh->Positions())
                scene.bounds.Add(TransformPoint(world, {p[0], p[1], p[2]}));
            continue;
        }
        scene.bounds.Add(Row(world, 3));
        PictureScene::Locator locator;
        locator.name = ValidUtf8(item.name);
        locator.world = world;
        locator.selected = selection.IsItemSelected(item);
        locator.light = ItemTypeIsA(item.type, lightType);
        if (locator.light)
            locator.width = item.Channel("width", 0.0), locator.height = item.Channel("height", 0.0);
        scene.locators.push_back(std::move(locator));
    }
    if (scene.bounds.Empty()) {
        scene.bounds.Add({-0.5, -0.5, -0.5});
        scene.bounds.Add({0.5, 0.5, 0.5});
    }
    auto world = [&worlds](const MeshData &mesh, uint32_t point) {
        const auto &p = mesh.Positions()[point];
        return TransformPoint(worlds.Of(*mesh.Owner()), {p[0], p[1], p[2]});
    };
    for (const auto &e : selection.EdgeList())
        scene.selectedEdges.push_back({world(*e.mesh, e.a), world(*e.mesh, e.b)});
    for (const auto &v : selection.Vertices()) scene.selectedVertices.push_back(world(*v.mesh, v.point));
    scene.selectedCounts = {selection.Count(kSelVertex), selection.Count(kSelEdge),
                            selection.Count(kSelPolygon)};
    return scene;
}

void VisitPolygons(const PictureScene &scene, const Camera &cam,
                   const std::function<void(const std::vector<Vec3> &, const PolygonLook &)> &visit) {
    MaterialColours colours;
    Vec3 light = Normalize(
        Add(Add(Scale(cam.Forward(), -0.7), Scale(Vec3{0, 1, 0}, 0.6)), Vec3{-0.25, 0, 0.1}), {0, 1, 0});
    std::vector<Vec3> w, pts;
    std::vector<uint8_t> finite;
    for (const auto &layer : scene.layers) {
        const MeshData &mesh = *layer.mesh;
        w.resize(mesh.PointCount());
        finite.resize(mesh.PointCount());
        for (uint32_t i = 0; i < mesh.PointCount(); ++i) {
            const auto &p = mesh.Positions()[i];
            w[i] = TransformPoint(layer.world, {p[0], p[1], p[2]});
            finite[i] = std::isfinite(w[i][0]) && std::isfinite(w[i][1]) && std::isfinite(w[i][2]);
        }
        for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
            const uint32_t *v = mesh.Vertices(poly);
            uint32_t n = mesh.VertexCount(poly);
            if (n == 0 || !std::all_of(v, v + n, [&](uint32_t k) { return finite[k] != 0; })) continue;
            bool selected = (mesh.PolygonMarks()[poly] & kMarkSelect) != 0;
            pts.clear();
            for (uint32_t i = 0; i < n; ++i) pts.push_back(w[v[i]]);
            if (n < 3) {
                PolygonLook look;
                look.fill = selected ? kSelect : Rgba{0.55, 0.85, 1.0, layer.active ? 1.0 : 0.4};
                look.width = n == 2 ? 1.8 : 4.0;
                visit(pts, look);
                continue;
            }
            // In world space, as the picture sees the polygon under its item's transform.
            const Vec3 normal = Normalize(NewellNormal(n, [&](uint32_t i) { return pts[i]; }), {0, 0, 0});
            // Facing is judged along the ray from the eye, as a perspective viewport sees it.
            Vec3 ray = cam.Orthographic() ? cam.Forward() : Sub(pts[0], cam.Eye());
            bool back = Dot(normal, ray) > 0;
            visit(pts, PolygonStyle(colours, mesh.Tag(poly, LXi_PTAG_MATR), selected, layer.active, back,
                                    normal, light));
        }
    }
}

SceneMarks ReadSceneMarks(const PictureScene &scene, const ViewOptions &opts, const Bounds &bounds) {
    SceneMarks marks;
    AddGrid(opts, bounds, marks.grid);
    for (const auto &e : scene.selectedEdges) marks.lines.push_back({e[0], e[1], kSelect, 3.0});
    for (const auto &v : scene.selectedVertices) marks.dots.push_back({v, kSelect, 7.0, true});
    double size = 0.06 * std::max(Length(Sub(bounds.max, bounds.min)), 0.1);
    for (const auto &item : scene.locators) AddLocator(item, size, marks);
    return marks;
}

std::string LegendText(const PictureScene &scene, const ViewOptions &opts) {
    std::string text = opts.view;
    static const char *names[3] = {"vertex", "edge", "polygon"};
    static const char *plurals[3] = {"vertices", "edges", "polygons"};
    for (size_t i = 0; i < 3; ++i)
        if (unsigned n = scene.selectedCounts[i])
            text += "   " + std::to_string(n) + " " + (n == 1 ? names[i] : plurals[i]) + " selected";
    return text;
}

}  // namespace gorva::host
