#include "host/pictures/render.hpp"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "host/io/file_write.hpp"
#include "host/io/text_lines.hpp"
#include "host/pictures/triangulate.hpp"
#include <lxmesh.h>

namespace gorva::host {

namespace {

const double kPi = 3.14159265358979323846;

Vec3 Row(const Matrix4 &m, int r) {
    return {m[size_t(r)][0], m[size_t(r)][1], m[size_t(r)][2]};
}

}  // namespace

Bounds PictureBounds(Host &host, const std::vector<OverlayShape> &overlay) {
    Bounds scene = SceneBounds(host), b = scene;
    // Guides that run on far beyond the scene (an alignment line kilometres long) are drawn but
    // do not widen the picture.
    Vec3 centre = Scale(Add(scene.min, scene.max), 0.5);
    double reach = 10.0 * Length(Sub(scene.max, scene.min)) + 1.0;
    for (const auto &shape : overlay)
        for (const auto &p : shape.points)
            if (Length(Sub(p, centre)) <= reach) b.Add(p);
    return b;
}

namespace {

const Rgba kSelect{1.0, 0.58, 0.12, 1.0};
const Rgba kWire{0.08, 0.09, 0.11, 0.85};

/// Fill colours per material name, handed out in order of first appearance so that the materials
/// of one picture differ; muted so that shading and the highlight stay readable.
class MaterialColours {
public:
    Rgba Of(const char *material) {
        if (!material) return {0.74, 0.74, 0.76, 1};
        static const Rgba palette[] = {{0.80, 0.66, 0.52, 1}, {0.55, 0.70, 0.84, 1}, {0.84, 0.82, 0.74, 1},
                                       {0.62, 0.78, 0.58, 1}, {0.70, 0.60, 0.80, 1}, {0.86, 0.78, 0.50, 1},
                                       {0.58, 0.78, 0.76, 1}, {0.82, 0.58, 0.58, 1}};
        auto it = m_index.emplace(material, m_index.size()).first;
        return palette[it->second % (sizeof palette / sizeof palette[0])];
    }

private:
    std::map<std::string, size_t> m_index;
};

struct Primitive {
    std::vector<std::array<double, 2>> pts;
    double depth = 0;
    bool backFacing = false;
    std::array<bool, 3> outline{};  // triangle edges on the polygon's own boundary
    bool outlineAll = false;        // a whole polygon drawn at once: its boundary is the outline
    Rgba wire = kWire;
    Rgba fill{0, 0, 0, 0}, stroke = kWire;
    double width = 1.0;
};

class Painter {
public:
    Painter(cairo_t *cr, const Camera &cam) : m_cr(cr), m_cam(cam) {}

    void SetColour(const Rgba &c) { cairo_set_source_rgba(m_cr, c[0], c[1], c[2], c[3]); }

    /// A polyline (closed back to its start when `closed`), cut where it passes behind the eye;
    /// false when none of it is in view.
    bool Strip(const std::vector<Vec3> &pts, bool closed, const Rgba &colour, double width) {
        if (!(InView(pts) ? PathThrough(pts, closed) : ClippedPath(pts, closed))) {
            cairo_new_path(m_cr);
            return false;
        }
        SetColour(colour);
        cairo_set_line_width(m_cr, width);
        cairo_stroke(m_cr);
        return true;
    }

    void Dot(const Vec3 &p, const Rgba &colour, double size, bool square) {
        double x, y, d;
        if (!m_cam.Project(p, x, y, d)) return;
        if (square)
            cairo_rectangle(m_cr, x - size / 2, y - size / 2, size, size);
        else
            cairo_arc(m_cr, x, y, size / 2, 0, 2 * kPi);
        SetColour(colour);
        cairo_fill(m_cr);
    }

    /// A text beside p; `setFont` false keeps the font the caller chose.
    void Label(const Vec3 &p, const std::string &text, const Rgba &colour, double dx = 9, double dy = -7,
               bool setFont = true) {
        double x, y, d;
        if (!m_cam.Project(p, x, y, d)) return;
        if (setFont) {
            cairo_select_font_face(m_cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(m_cr, 12);
        }
        cairo_set_source_rgba(m_cr, 0, 0, 0, 0.7);
        cairo_move_to(m_cr, x + dx + 1, y + dy + 1);
        cairo_show_text(m_cr, text.c_str());
        SetColour(colour);
        cairo_move_to(m_cr, x + dx, y + dy);
        cairo_show_text(m_cr, text.c_str());
    }

    cairo_t *m_cr;

private:
    bool InView(const std::vector<Vec3> &pts) const {
        double x, y, d;
        for (const auto &p : pts)
            if (!m_cam.Project(p, x, y, d)) return false;
        return !pts.empty();
    }
    bool PathThrough(const std::vector<Vec3> &pts, bool closed) {
        double x, y, d;
        for (size_t i = 0; i < pts.size(); ++i) {
            m_cam.Project(pts[i], x, y, d);
            i ? cairo_line_to(m_cr, x, y) : cairo_move_to(m_cr, x, y);
        }
        if (closed) cairo_close_path(m_cr);
        return true;
    }
    /// Segment by segment, each cut to the part in front of the eye.
    bool ClippedPath(const std::vector<Vec3> &pts, bool closed) {
        bool any = false, joined = false;
        size_t segments = pts.size() < 2 ? 0 : closed ? pts.size() : pts.size() - 1;
        for (size_t i = 0; i < segments; ++i) {
            const Vec3 &from = pts[i], &to = pts[(i + 1) % pts.size()];
            Vec3 a = from, b = to;
            double ax, ay, bx, by, d;
            if (!m_cam.ClipToView(a, b) || !m_cam.Project(a, ax, ay, d) || !m_cam.Project(b, bx, by, d)) {
                joined = false;
                continue;
            }
            if (!joined || a != from) cairo_move_to(m_cr, ax, ay);
            cairo_line_to(m_cr, bx, by);
            any = true;
            joined = b == to;
        }
        return any;
    }

public:
    const Camera &m_cam;
};

void DrawBackground(cairo_t *cr, const Camera &cam) {
    cairo_pattern_t *bg = cairo_pattern_create_linear(0, 0, 0, cam.Height());
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.30, 0.31, 0.33);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.16, 0.17, 0.18);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);
}

/// A grid through the origin in the plane facing the view (the ground for persp and top).
void DrawGrid(Painter &painter, const ViewOptions &opts, const Bounds &bounds) {
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
            Rgba colour{1, 1, 1, i == 0 ? 0.0 : 0.07};
            if (i == 0)
                colour = across == 0   ? Rgba{0.3, 0.5, 1.0, 0.5}
                         : across == 2 ? Rgba{1.0, 0.35, 0.3, 0.5}
                                       : Rgba{0.4, 0.9, 0.4, 0.5};
            painter.Strip({p, q}, false, colour, 1.0);
        }
    }
}

struct Piece {
    std::array<Vec3, 3> p;
    std::array<bool, 3> outline;  // edges ab, bc, ca
};

/// Splits a world triangle along its longest edge until every edge is at most `maxLen`, so that
/// depth order works on pieces of similar size; halves of a boundary edge stay boundary.
void Subdivide(const Piece &t, double maxLen, int depth, std::vector<Piece> &out) {
    double len[3];
    for (int i = 0; i < 3; ++i) len[i] = Length(Sub(t.p[size_t(i)], t.p[size_t((i + 1) % 3)]));
    int e = int(std::max_element(len, len + 3) - len);
    if (len[e] <= maxLen || depth > 10) {
        out.push_back(t);
        return;
    }
    // Rotate so that the longest edge is ab.
    Piece r{{t.p[size_t(e)], t.p[size_t((e + 1) % 3)], t.p[size_t((e + 2) % 3)]},
            {t.outline[size_t(e)], t.outline[size_t((e + 1) % 3)], t.outline[size_t((e + 2) % 3)]}};
    Vec3 m = Scale(Add(r.p[0], r.p[1]), 0.5);
    Subdivide({{r.p[0], m, r.p[2]}, {r.outline[0], false, r.outline[2]}}, maxLen, depth + 1, out);
    Subdivide({{m, r.p[1], r.p[2]}, {r.outline[0], r.outline[1], false}}, maxLen, depth + 1, out);
}

/// Adds a world line as pieces of at most `maxLen`, each drawn after faces at about its depth.
void AddLine(const Camera &cam, const Vec3 &p, const Vec3 &q, double maxLen, const Rgba &colour, double width,
             std::vector<Primitive> &prims) {
    double ratio = Length(Sub(p, q)) / maxLen;  // may overflow far from the origin
    int pieces = ratio < 64.0 ? std::max(1, int(std::ceil(ratio))) : 64;
    for (int i = 0; i < pieces; ++i) {
        Vec3 a = Add(p, Scale(Sub(q, p), double(i) / pieces)),
             b = Add(p, Scale(Sub(q, p), double(i + 1) / pieces));
        Primitive prim;
        double x0, y0, d0, x1, y1, d1;
        if (!cam.Project(a, x0, y0, d0) || !cam.Project(b, x1, y1, d1)) continue;
        prim.pts = {{x0, y0}, {x1, y1}};
        prim.depth = 0.5 * (d0 + d1) - 0.05 * maxLen;
        prim.stroke = colour;
        prim.width = width;
        prims.push_back(std::move(prim));
    }
}

/// Polygons of more corners than this are filled whole by cairo instead of clipped into ears, whose
/// cost grows with the square of the corners (and pieces for depth order would run into millions).
const uint32_t kMostClippedCorners = 128;

/// Depth-ordered pieces of one filled polygon: its ears, subdivided for depth order; or the whole
/// outline as one primitive when it has too many corners.
void AddFilledPolygon(const Camera &cam, const std::vector<Vec3> &pts, const Vec3 &normal, double maxLen,
                      const Primitive &style, std::vector<Primitive> &prims) {
    if (pts.size() > kMostClippedCorners) {
        // Corners closer on screen than a quarter pixel to the last one kept add nothing to the
        // picture; a dense outline of millions of corners comes down to its pixels.
        Primitive prim = style;
        prim.outlineAll = true;
        for (const auto &p : pts) {
            double x, y, d;
            if (!cam.Project(p, x, y, d)) return;
            prim.depth += d / double(pts.size());
            if (!prim.pts.empty() && std::fabs(prim.pts.back()[0] - x) < 0.25 &&
                std::fabs(prim.pts.back()[1] - y) < 0.25)
                continue;
            prim.pts.push_back({x, y});
        }
        prims.push_back(std::move(prim));
        return;
    }
    size_t n = pts.size();
    std::vector<Piece> pieces;
    auto boundary = [n](size_t i, size_t j) { return j == (i + 1) % n || i == (j + 1) % n; };
    for (const auto &t : Triangulate(pts, normal))
        Subdivide({{pts[t[0]], pts[t[1]], pts[t[2]]},
                   {boundary(t[0], t[1]), boundary(t[1], t[2]), boundary(t[2], t[0])}},
                  maxLen, 0, pieces);
    for (const auto &t : pieces) {
        Primitive prim = style;
        prim.outline = t.outline;
        bool visible = true;
        for (const auto &p : t.p) {
            double x = 0.0, y = 0.0, d = 0.0;
            visible = visible && cam.Project(p, x, y, d);
            prim.pts.push_back({x, y});
            prim.depth += d / 3.0;
        }
        if (visible) prims.push_back(std::move(prim));
    }
}

/// The look of a polygon: its material's colour, shaded by its facing, highlighted when selected,
/// faded when its layer is not active.
Primitive PolygonStyle(MaterialColours &colours, const char *material, bool selected, bool active, bool back,
                       const Vec3 &normal, const Vec3 &light) {
    const Rgba background{0.24, 0.25, 0.27, 1};
    double shade = 0.32 + 0.68 * std::fabs(Dot(normal, light));
    if (back) shade *= 0.8;
    Rgba base = colours.Of(material);
    if (selected)
        for (int c = 0; c < 3; ++c) base[size_t(c)] = 0.35 * base[size_t(c)] + 0.65 * kSelect[size_t(c)];
    Rgba fill{base[0] * shade, base[1] * shade, base[2] * shade, 1.0};
    if (!active)  // other layers show faded into the background
        for (int c = 0; c < 3; ++c) fill[size_t(c)] = 0.45 * fill[size_t(c)] + 0.55 * background[size_t(c)];
    Primitive style;
    style.wire = selected ? Rgba{1.0, 0.75, 0.35, 1.0} : kWire;
    if (!active) style.wire[3] = 0.3;
    style.backFacing = back;
    style.fill = fill;
    style.stroke = fill;  // hides the seams between pieces
    style.width = 0.7;
    return style;
}

void CollectPolygons(Host &host, const Camera &cam, double maxLen, std::vector<Primitive> &prims,
                     WorldMatrixCache &worlds) {
    MaterialColours colours;
    Vec3 light = Normalize(
        Add(Add(Scale(cam.Forward(), -0.7), Scale(Vec3{0, 1, 0}, 0.6)), Vec3{-0.25, 0, 0.1}), {0, 1, 0});
    for (const auto &holder : host.scene.Items()) {
        ItemData &item = *holder;
        if (!item.mesh) continue;
        MeshData &mesh = *item.mesh;
        bool active = host.IsActive(item);
        const Matrix4 &world = worlds.Of(item);
        std::vector<Vec3> w(mesh.PointCount());
        std::vector<uint8_t> finite(mesh.PointCount());
        for (uint32_t i = 0; i < mesh.PointCount(); ++i) {
            const auto &p = mesh.positions[i];
            w[i] = TransformPoint(world, {p[0], p[1], p[2]});
            finite[i] = std::isfinite(w[i][0]) && std::isfinite(w[i][1]) && std::isfinite(w[i][2]);
        }
        for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
            const uint32_t *v = mesh.Vertices(poly);
            uint32_t n = mesh.VertexCount(poly);
            if (!std::all_of(v, v + n, [&](uint32_t k) { return finite[k] != 0; })) continue;
            bool selected = (mesh.polyMarks[poly] & kMarkSelect) != 0;
            if (n < 3) {
                Rgba colour = selected ? kSelect : Rgba{0.55, 0.85, 1.0, active ? 1.0 : 0.4};
                if (n == 2) AddLine(cam, w[v[0]], w[v[1]], maxLen, colour, 1.8, prims);
                if (n == 1) AddLine(cam, w[v[0]], w[v[0]], maxLen, colour, 4.0, prims);
                continue;
            }
            std::vector<Vec3> pts;
            pts.reserve(n);
            Vec3 normal{0, 0, 0};
            for (uint32_t i = 0; i < n; ++i) {
                const Vec3 &p = w[v[i]], &q = w[v[(i + 1) % n]];
                pts.push_back(p);
                normal = Add(normal, {(p[1] - q[1]) * (p[2] + q[2]), (p[2] - q[2]) * (p[0] + q[0]),
                                      (p[0] - q[0]) * (p[1] + q[1])});
            }
            normal = Normalize(normal, {0, 0, 0});
            bool back = Dot(normal, cam.Forward()) > 0;
            Primitive style =
                PolygonStyle(colours, mesh.Tag(poly, LXi_PTAG_MATR), selected, active, back, normal, light);
            AddFilledPolygon(cam, pts, normal, maxLen, style, prims);
        }
    }
}

/// The outline of a whole polygon in short runs: one stroke of many tiny, overlapping segments costs
/// cairo far more than the sum of strokes of a few segments each.
void StrokeOutline(cairo_t *cr, const Primitive &prim) {
    const size_t run = 32, n = prim.pts.size();
    cairo_set_source_rgba(cr, prim.wire[0], prim.wire[1], prim.wire[2], prim.wire[3]);
    cairo_set_line_width(cr, 1.0);
    for (size_t from = 0; from < n; from += run) {
        cairo_move_to(cr, prim.pts[from][0], prim.pts[from][1]);
        for (size_t i = from + 1; i <= std::min(from + run, n); ++i)
            cairo_line_to(cr, prim.pts[i % n][0], prim.pts[i % n][1]);
        cairo_stroke(cr);
    }
}

void DrawPrimitives(cairo_t *cr, std::vector<Primitive> &prims) {
    // Faces turned away first: on closed shapes they are always behind the faces turned to the eye,
    // which depth order alone gets wrong for large polygons.
    std::stable_sort(prims.begin(), prims.end(), [](const Primitive &a, const Primitive &b) {
        bool aBack = a.backFacing && a.pts.size() > 2, bBack = b.backFacing && b.pts.size() > 2;
        if (aBack != bBack) return aBack;
        return a.depth > b.depth;
    });
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const auto &prim : prims) {
        cairo_move_to(cr, prim.pts[0][0], prim.pts[0][1]);
        for (size_t i = 1; i < prim.pts.size(); ++i) cairo_line_to(cr, prim.pts[i][0], prim.pts[i][1]);
        if (prim.pts.size() == 1) cairo_line_to(cr, prim.pts[0][0] + 0.01, prim.pts[0][1]);
        if (prim.pts.size() >= 3) {
            cairo_close_path(cr);
            cairo_set_source_rgba(cr, prim.fill[0], prim.fill[1], prim.fill[2], prim.fill[3]);
            if (prim.outlineAll) {
                // One piece: no seams to hide.
                cairo_fill(cr);
                StrokeOutline(cr, prim);
                continue;
            }
            cairo_fill_preserve(cr);
        }
        cairo_set_source_rgba(cr, prim.stroke[0], prim.stroke[1], prim.stroke[2], prim.stroke[3]);
        cairo_set_line_width(cr, prim.width);
        cairo_stroke(cr);
        if (prim.pts.size() != 3) continue;
        for (size_t e = 0; e < 3; ++e) {
            if (!prim.outline[e]) continue;
            cairo_move_to(cr, prim.pts[e][0], prim.pts[e][1]);
            cairo_line_to(cr, prim.pts[(e + 1) % 3][0], prim.pts[(e + 1) % 3][1]);
        }
        cairo_set_source_rgba(cr, prim.wire[0], prim.wire[1], prim.wire[2], prim.wire[3]);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
}

void DrawSelection(Host &host, Painter &painter, WorldMatrixCache &worlds) {
    auto world = [&worlds](MeshData &mesh, uint32_t point) {
        const auto &p = mesh.positions[point];
        return TransformPoint(worlds.Of(*mesh.owner), {p[0], p[1], p[2]});
    };
    for (const auto &e : host.selection.EdgeList())
        painter.Strip({world(*e.mesh, e.a), world(*e.mesh, e.b)}, false, kSelect, 3.0);
    for (const auto &v : host.selection.Vertices()) painter.Dot(world(*v.mesh, v.point), kSelect, 7.0, true);
}

void DrawItems(Host &host, Painter &painter, double size, WorldMatrixCache &worlds) {
    const int lightType = ItemTypeCode("light");
    for (const auto &holder : host.scene.Items()) {
        ItemData &item = *holder;
        if (item.mesh || item.type < 0 || !ItemTypes()[size_t(item.type)].locator) continue;
        const Matrix4 &m = worlds.Of(item);
        Vec3 pos = Row(m, 3);
        bool selected = host.selection.IsItemSelected(item);
        Rgba text = selected ? kSelect : Rgba{0.92, 0.92, 0.92, 1};
        if (ItemTypeIsA(item.type, lightType)) {
            Rgba yellow{1.0, 0.86, 0.3, 1};
            double w = item.Channel("width", 0.0), h = item.Channel("height", 0.0);
            if (w > 0 && h > 0) {
                std::vector<Vec3> rect;
                for (auto c : {std::array<double, 2>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
                    rect.push_back(TransformPoint(m, {c[0] * w / 2, c[1] * h / 2, 0}));
                painter.Strip(rect, true, yellow, 1.5);
            }
            // Lights shine down their -Z axis.
            Vec3 aim = Normalize(Scale(Row(m, 2), -1.0), {0, -1, 0});
            painter.Strip({pos, Add(pos, Scale(aim, size * 2))}, false, yellow, 1.5);
            painter.Dot(pos, yellow, 10.0, false);
            painter.Dot(pos, {0.2, 0.15, 0.0, 1}, 4.0, false);
        } else {
            static const Rgba axes[3] = {{1, 0.35, 0.3, 1}, {0.4, 0.9, 0.4, 1}, {0.35, 0.55, 1, 1}};
            for (int a = 0; a < 3; ++a)
                painter.Strip({pos, Add(pos, Scale(Normalize(Row(m, a), {0, 0, 0}), size))}, false, axes[a],
                              1.5);
        }
        painter.Label(pos, ValidUtf8(item.name), text);
    }
}

void DrawLegend(Host &host, cairo_t *cr, const ViewOptions &opts) {
    std::string text = opts.view;
    static const char *names[3] = {"vertex", "edge", "polygon"};
    static const SelType types[3] = {kSelVertex, kSelEdge, kSelPolygon};
    for (int i = 0; i < 3; ++i)
        if (unsigned n = host.selection.Count(types[i]))
            text += "   " + std::to_string(n) + " " + names[i] +
                    (n == 1 ? ""
                            : (i == 2   ? "s"
                               : i == 0 ? "es"
                                        : "s")) +
                    " selected";
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    cairo_set_source_rgba(cr, 0.9, 0.9, 0.9, 0.9);
    cairo_move_to(cr, 12, 22);
    cairo_show_text(cr, text.c_str());
}

/// A marker a few pixels across, filled and outlined in dark so that it reads on any background.
void Marker(cairo_t *cr, const Camera &cam, const Vec3 &p, const OverlayShape &shape) {
    double x, y, d;
    if (!cam.Project(p, x, y, d)) return;
    double size = shape.width;
    if (shape.square)
        cairo_rectangle(cr, x - size / 2, y - size / 2, size, size);
    else
        cairo_arc(cr, x, y, size / 2, 0, 2 * kPi);
    cairo_set_source_rgba(cr, shape.colour[0], shape.colour[1], shape.colour[2], shape.colour[3]);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0.05, 0.05, 0.06, 0.9);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

/// A circle round on screen about the projected centre, its radius the distance to the second point.
void ScreenCircle(cairo_t *cr, const Camera &cam, const OverlayShape &shape) {
    double cx, cy, d;
    if (shape.points.size() < 2 || !cam.Project(shape.points[0], cx, cy, d)) return;
    // The second point gives the radius, whichever way it lies (a marker's is often along the view).
    double radius = Length(Sub(shape.points[1], shape.points[0])) * cam.PixelsPerUnit(d);
    if (!std::isfinite(radius)) return;
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_set_source_rgba(cr, shape.colour[0], shape.colour[1], shape.colour[2], shape.colour[3]);
    cairo_set_line_width(cr, shape.width);
    cairo_stroke(cr);
}

void AlignedLabel(Painter &painter, const OverlayShape &shape) {
    cairo_t *cr = painter.m_cr;
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    std::string text = ValidUtf8(shape.text);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    double dx = shape.align == 1 ? -ext.x_advance / 2 : shape.align == 2 ? -ext.x_advance - 4 : 4;
    double dy = shape.align == 0 ? -4 : ext.height / 2;
    painter.Label(shape.points.front(), text, shape.colour, dx, dy, false);
}

void DrawOverlay(Painter &painter, const std::vector<OverlayShape> &overlay) {
    cairo_t *cr = painter.m_cr;
    for (const auto &shape : overlay) {
        if (shape.points.empty()) continue;
        switch (shape.kind) {
            case OverlayShape::Strip: {
                static const double dash[] = {6.0, 4.0};
                cairo_set_dash(cr, dash, shape.dashed ? 2 : 0, 0);
                painter.Strip(shape.points, shape.closed, shape.colour, shape.width);
                cairo_set_dash(cr, nullptr, 0, 0);
                break;
            }
            case OverlayShape::Points:
                for (const auto &p : shape.points) Marker(cr, painter.m_cam, p, shape);
                break;
            case OverlayShape::Circle:
                ScreenCircle(cr, painter.m_cam, shape);
                break;
            case OverlayShape::Text:
                AlignedLabel(painter, shape);
                break;
        }
    }
}

}  // namespace

namespace {

cairo_status_t AppendBytes(void *closure, const unsigned char *data, unsigned int length) {
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

/// Paints the scene, then the overlay, onto a surface; cairo's status at the end.
cairo_status_t Paint(Host &host, cairo_surface_t *surface, const ViewOptions &opts, const Bounds &bounds,
                     const std::vector<OverlayShape> &overlay) {
    Camera cam = Camera::Fit(opts, bounds);
    cairo_t *cr = cairo_create(surface);
    Painter painter(cr, cam);
    WorldMatrixCache worlds;
    DrawBackground(cr, cam);
    DrawGrid(painter, opts, bounds);
    std::vector<Primitive> prims;
    double size = std::max(Length(Sub(bounds.max, bounds.min)), 0.1);
    CollectPolygons(host, cam, size / 16.0, prims, worlds);
    DrawPrimitives(cr, prims);
    DrawSelection(host, painter, worlds);
    DrawItems(host, painter, 0.06 * size, worlds);
    DrawOverlay(painter, overlay);
    DrawLegend(host, cr, opts);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    return status;
}

}  // namespace

bool RenderScene(Host &host, const std::string &path, const ViewOptions &opts, std::string &error,
                 const std::vector<OverlayShape> &overlay) {
    auto ends = [&](const char *ext) {
        size_t n = std::char_traits<char>::length(ext);
        if (path.size() <= n) return false;
        std::string tail = path.substr(path.size() - n);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        return tail == ext;
    };
    bool svg = ends(".svg");
    if (!svg && !ends(".png")) {
        error = "a picture must be a .png or .svg file, not \"" + path + "\"";
        return false;
    }
    // The picture is made in memory and written whole, so that a failed write keeps the old file.
    std::string bytes;
    cairo_surface_t *surface =
        svg ? cairo_svg_surface_create_for_stream(AppendBytes, &bytes, opts.width, opts.height)
            : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, opts.width, opts.height);
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t *)> surfaceGuard(surface,
                                                                               cairo_surface_destroy);
    cairo_status_t status = cairo_surface_status(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = Paint(host, surface, opts, PictureBounds(host, overlay), overlay);
    if (status == CAIRO_STATUS_SUCCESS) {
        if (svg) {
            cairo_surface_finish(surface);
            status = cairo_surface_status(surface);
        } else {
            status = cairo_surface_write_to_png_stream(surface, AppendBytes, &bytes);
        }
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot draw \"" + path + "\": " + cairo_status_to_string(status);
        return false;
    }
    return WriteFileSafely(path, bytes, error);
}

}  // namespace gorva::host
