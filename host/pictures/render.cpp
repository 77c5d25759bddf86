#include "host/pictures/render.hpp"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>

#include "host/base/file_write.hpp"
#include "host/base/text_lines.hpp"
#include "host/pictures/gl_painter.hpp"
#include "host/model/triangulate.hpp"

namespace gorva::host {

namespace {

const double kPi = 3.14159265358979323846;

}  // namespace

Bounds PictureBounds(const Bounds &scene, const std::vector<OverlayShape> &overlay) {
    Bounds b = scene;
    // Guides that run on far beyond the scene (an alignment line kilometres long) are drawn but
    // do not widen the picture.
    Vec3 centre = Scale(Add(scene.min, scene.max), 0.5);
    double reach = 10.0 * Length(Sub(scene.max, scene.min)) + 1.0;
    for (const auto &shape : overlay)
        for (const auto &p : shape.points)
            if (Length(Sub(p, centre)) <= reach) b.Add(p);
    return b;
}

Bounds PictureBounds(Document &doc, const std::vector<OverlayShape> &overlay) {
    return PictureBounds(SceneBounds(doc), overlay);
}

namespace {

using SurfacePtr = std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t *)>;

void SetColour(cairo_t *cr, const Rgba &c) {
    cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3]);
}

/// Cairo drawing through the camera: every stroke is cut to the view before it is projected, so
/// that a stroke crossing the eye plane or running far out keeps its visible part.
class Painter {
public:
    Painter(cairo_t *cr, const Camera &cam) : m_cr(cr), m_cam(cam) {}

    /// A polyline (closed back to its start when `closed`); false when none of it is in view.
    bool Strip(const std::vector<Vec3> &pts, bool closed, const Rgba &colour, double width) {
        bool any = false, joined = false;
        size_t segments = pts.size() < 2 ? 0 : closed ? pts.size() : pts.size() - 1;
        cairo_new_path(m_cr);
        for (size_t i = 0; i < segments; ++i) {
            const Vec3 &from = pts[i], &to = pts[(i + 1) % pts.size()];
            Vec3 a = from, b = to;
            double ax, ay, bx, by, d;
            if (!m_cam.ClipSegment(a, b) || !m_cam.Project(a, ax, ay, d) || !m_cam.Project(b, bx, by, d)) {
                joined = false;
                continue;
            }
            if (!joined || a != from) cairo_move_to(m_cr, ax, ay);
            cairo_line_to(m_cr, bx, by);
            any = true;
            joined = b == to;
        }
        if (closed && any && joined && segments == pts.size()) cairo_close_path(m_cr);
        if (!any) return false;
        SetColour(m_cr, colour);
        cairo_set_line_width(m_cr, width);
        cairo_stroke(m_cr);
        return true;
    }

    /// A marker `size` pixels across, outlined in dark when `outline` so that it reads on any background.
    void Dot(const Vec3 &p, const Rgba &colour, double size, bool square, bool outline = false) {
        double x, y, d;
        if (!m_cam.Project(p, x, y, d)) return;
        cairo_new_path(m_cr);
        if (square)
            cairo_rectangle(m_cr, x - size / 2, y - size / 2, size, size);
        else
            cairo_arc(m_cr, x, y, size / 2, 0, 2 * kPi);
        SetColour(m_cr, colour);
        if (!outline) return cairo_fill(m_cr);
        cairo_fill_preserve(m_cr);
        cairo_set_source_rgba(m_cr, 0.05, 0.05, 0.06, 0.9);
        cairo_set_line_width(m_cr, 1.0);
        cairo_stroke(m_cr);
    }

    /// A text beside p, with a dark shadow; the font is the caller's.
    void Label(const Vec3 &p, const std::string &text, const Rgba &colour, double dx, double dy) {
        double x, y, d;
        if (!m_cam.Project(p, x, y, d)) return;
        cairo_set_source_rgba(m_cr, 0, 0, 0, 0.7);
        cairo_move_to(m_cr, x + dx + 1, y + dy + 1);
        cairo_show_text(m_cr, text.c_str());
        SetColour(m_cr, colour);
        cairo_move_to(m_cr, x + dx, y + dy);
        cairo_show_text(m_cr, text.c_str());
    }

    /// A circle round on screen about the projected centre, its radius the distance to the rim point.
    void ScreenCircle(const OverlayShape &shape) {
        double cx, cy, d;
        if (shape.points.size() < 2 || !m_cam.Project(shape.points[0], cx, cy, d)) return;
        // The rim point gives the radius, whichever way it lies (a marker's is often along the view).
        double radius = Length(Sub(shape.points[1], shape.points[0])) * m_cam.PixelsPerUnit(d);
        if (!std::isfinite(radius) || radius > 1e6) return;
        cairo_new_path(m_cr);
        cairo_arc(m_cr, cx, cy, radius, 0, 2 * kPi);
        SetColour(m_cr, shape.colour);
        cairo_set_line_width(m_cr, shape.width);
        cairo_stroke(m_cr);
    }

    cairo_t *Context() const { return m_cr; }

private:
    cairo_t *m_cr;
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

// ---- cairo's painter: depth-sorted pieces, no depth buffer

const Rgba kSeam{0, 0, 0, 0};

struct Primitive {
    std::vector<std::array<double, 2>> pts;
    double depth = 0;
    bool backFacing = false;
    std::vector<bool> outline;  // per edge: on the polygon's own boundary
    bool outlineAll = false;    // a whole polygon drawn at once: its boundary is the outline
    Rgba wire = kSeam, fill = kSeam, stroke = kSeam;
    double width = 1.0;
};

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

/// Projects points already cut to the view; false when one cannot be projected.
bool ProjectAll(const Camera &cam, const std::vector<Vec3> &pts, Primitive &prim) {
    prim.pts.clear();
    prim.depth = 0.0;
    for (const auto &p : pts) {
        double x, y, d;
        if (!cam.Project(p, x, y, d)) return false;
        prim.pts.push_back({x, y});
        prim.depth += d / double(pts.size());
    }
    return !prim.pts.empty();
}

/// Adds a world line cut to the view, as pieces of at most `maxLen` drawn after faces at about their depth.
void AddLine(const Camera &cam, Vec3 p, Vec3 q, double maxLen, const Rgba &colour, double width,
             std::vector<Primitive> &prims) {
    if (!cam.ClipSegment(p, q)) return;
    double ratio = Length(Sub(p, q)) / maxLen;
    int pieces = ratio < 64.0 ? std::max(1, int(std::ceil(ratio))) : 64;
    for (int i = 0; i < pieces; ++i) {
        Primitive prim;
        if (!ProjectAll(cam,
                        {Add(p, Scale(Sub(q, p), double(i) / pieces)),
                         Add(p, Scale(Sub(q, p), double(i + 1) / pieces))},
                        prim))
            continue;
        prim.depth -= 0.05 * maxLen;
        prim.stroke = colour;
        prim.width = width;
        prims.push_back(std::move(prim));
    }
}

/// Polygons of more corners than this are filled whole by cairo instead of clipped into ears, whose
/// cost grows with the square of the corners (and pieces for depth order would run into millions).
const size_t kMostClippedCorners = 128;

Primitive FaceStyle(const PolygonLook &look) {
    Primitive style;
    style.wire = look.wire;
    style.backFacing = look.backFacing;
    style.fill = look.fill;
    style.stroke = look.fill;  // hides the seams between pieces
    style.width = 0.7;
    return style;
}

/// A polygon of many corners as one primitive: cut to the view, corners closer on screen than a
/// quarter pixel to the last one kept dropped (a dense outline comes down to its pixels).
void AddWholePolygon(const Camera &cam, std::vector<Vec3> pts, const Primitive &style,
                     std::vector<Primitive> &prims) {
    cam.ClipPolygon(pts);
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
    if (prim.pts.size() >= 3) prims.push_back(std::move(prim));
}

/// Depth-ordered pieces of one filled polygon: its ears, subdivided for depth order and cut to the view.
void AddFilledPolygon(const Camera &cam, const std::vector<Vec3> &pts, const PolygonLook &look, double maxLen,
                      std::vector<Primitive> &prims) {
    const Primitive style = FaceStyle(look);
    if (pts.size() > kMostClippedCorners) return AddWholePolygon(cam, pts, style, prims);
    const size_t n = pts.size();
    std::vector<Piece> pieces;
    auto boundary = [n](size_t i, size_t j) { return j == (i + 1) % n || i == (j + 1) % n; };
    for (const auto &t : Triangulate(pts, look.normal))
        Subdivide({{pts[t[0]], pts[t[1]], pts[t[2]]},
                   {boundary(t[0], t[1]), boundary(t[1], t[2]), boundary(t[2], t[0])}},
                  maxLen, 0, pieces);
    std::vector<Vec3> corners;
    std::vector<bool> outline;
    for (const auto &t : pieces) {
        corners.assign(t.p.begin(), t.p.end());
        outline.assign(t.outline.begin(), t.outline.end());
        cam.ClipPolygon(corners, &outline);
        Primitive prim = style;
        if (!ProjectAll(cam, corners, prim)) continue;
        prim.outline = outline;
        prims.push_back(std::move(prim));
    }
}

/// The outline of a whole polygon in short runs: one stroke of many tiny, overlapping segments costs
/// cairo far more than the sum of strokes of a few segments each.
void StrokeOutline(cairo_t *cr, const Primitive &prim) {
    const size_t run = 32, n = prim.pts.size();
    SetColour(cr, prim.wire);
    cairo_set_line_width(cr, 1.0);
    for (size_t from = 0; from < n; from += run) {
        cairo_move_to(cr, prim.pts[from][0], prim.pts[from][1]);
        for (size_t i = from + 1; i <= std::min(from + run, n); ++i)
            cairo_line_to(cr, prim.pts[i % n][0], prim.pts[i % n][1]);
        cairo_stroke(cr);
    }
}

void DrawPrimitive(cairo_t *cr, const Primitive &prim) {
    cairo_move_to(cr, prim.pts[0][0], prim.pts[0][1]);
    for (size_t i = 1; i < prim.pts.size(); ++i) cairo_line_to(cr, prim.pts[i][0], prim.pts[i][1]);
    if (prim.pts.size() == 1) cairo_line_to(cr, prim.pts[0][0] + 0.01, prim.pts[0][1]);
    if (prim.pts.size() >= 3) {
        cairo_close_path(cr);
        SetColour(cr, prim.fill);
        if (prim.outlineAll) {  // one piece: no seams to hide
            cairo_fill(cr);
            return StrokeOutline(cr, prim);
        }
        cairo_fill_preserve(cr);
    }
    SetColour(cr, prim.stroke);
    cairo_set_line_width(cr, prim.width);
    cairo_stroke(cr);
    const size_t n = prim.pts.size();
    for (size_t e = 0; e < prim.outline.size() && n >= 3; ++e) {
        if (!prim.outline[e]) continue;
        cairo_move_to(cr, prim.pts[e][0], prim.pts[e][1]);
        cairo_line_to(cr, prim.pts[(e + 1) % n][0], prim.pts[(e + 1) % n][1]);
    }
    SetColour(cr, prim.wire);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
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
    for (const auto &prim : prims) DrawPrimitive(cr, prim);
}

/// The grid, polygons and standing lines in depth order, as cairo can without a depth buffer.
void PaintDepthSorted(cairo_t *cr, const PictureScene &scene, const Camera &cam, const SceneMarks &marks,
                      const Bounds &bounds) {
    Painter painter(cr, cam);
    DrawBackground(cr, cam);
    for (const auto &l : marks.grid) painter.Strip({l.a, l.b}, false, l.colour, l.width);
    const double maxLen = std::max(Length(Sub(bounds.max, bounds.min)), 0.1) / 16.0;
    std::vector<Primitive> prims;
    VisitPolygons(scene, cam, [&](const std::vector<Vec3> &pts, const PolygonLook &look) {
        if (pts.size() >= 3) return AddFilledPolygon(cam, pts, look, maxLen, prims);
        AddLine(cam, pts.front(), pts.back(), maxLen, look.fill, look.width, prims);
    });
    DrawPrimitives(cr, prims);
    for (const auto &l : marks.lines) painter.Strip({l.a, l.b}, false, l.colour, l.width);
}

// ---- what is drawn on top of either painter

void AlignedLabel(Painter &painter, const OverlayShape &shape) {
    cairo_t *cr = painter.Context();
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    std::string text = ValidUtf8(shape.text);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    double dx = shape.align == 1 ? -ext.x_advance / 2 : shape.align == 2 ? -ext.x_advance - 4 : 4;
    double dy = shape.align == 0 ? -4 : ext.height / 2;
    painter.Label(shape.points.front(), text, shape.colour, dx, dy);
}

void DrawOverlay(Painter &painter, const std::vector<OverlayShape> &overlay) {
    cairo_t *cr = painter.Context();
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
                for (const auto &p : shape.points)
                    painter.Dot(p, shape.colour, shape.width, shape.square, true);
                break;
            case OverlayShape::Circle:
                painter.ScreenCircle(shape);
                break;
            case OverlayShape::Text:
                AlignedLabel(painter, shape);
                break;
        }
    }
}

void DrawLegend(cairo_t *cr, const std::string &text) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    cairo_set_source_rgba(cr, 0.9, 0.9, 0.9, 0.9);
    cairo_move_to(cr, 12, 22);
    cairo_show_text(cr, text.c_str());
}

/// Dots and labels of the scene, then the overlay and the legend, over the shaded scene.
void DrawOnTop(cairo_t *cr, const PictureScene &scene, const Camera &cam, const SceneMarks &marks,
               const ViewOptions &opts, const std::vector<OverlayShape> &overlay) {
    Painter painter(cr, cam);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const auto &dot : marks.dots) painter.Dot(dot.p, dot.colour, dot.size, dot.square);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    for (const auto &label : marks.labels) painter.Label(label.p, label.text, label.colour, 9, -7);
    DrawOverlay(painter, overlay);
    DrawLegend(cr, LegendText(scene, opts));
}

/// Draws the picture onto a surface: through OpenGL when `image` allows it and OpenGL works, else
/// with cairo's painter (`note` says why); cairo's status at the end.
cairo_status_t Paint(const PictureScene &scene, cairo_surface_t *surface, bool image, const ViewOptions &opts,
                     const std::vector<OverlayShape> &overlay, std::string &note) {
    const Bounds bounds = PictureBounds(scene.bounds, overlay);
    const Camera cam = Camera::Fit(opts, bounds);
    const SceneMarks marks = ReadSceneMarks(scene, opts, bounds);
    note.clear();
    bool shaded = false;
    if (image && opts.openGl) {
        shaded = PaintWithOpenGl(scene, cam, marks, surface, note);
    } else if (image) {
        note = "the picture asks for cairo's painter";
    }
    cairo_t *cr = cairo_create(surface);
    if (!shaded) PaintDepthSorted(cr, scene, cam, marks, bounds);
    DrawOnTop(cr, scene, cam, marks, opts, overlay);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    return status;
}

cairo_status_t AppendBytes(void *closure, const unsigned char *data, unsigned int length) {
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

bool EndsWith(const std::string &path, const char *ext) {
    size_t n = std::strlen(ext);
    if (path.size() <= n) return false;
    std::string tail = path.substr(path.size() - n);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return tail == ext;
}

}  // namespace

bool DrawPicture(const PictureScene &scene, const ViewOptions &opts, const std::vector<OverlayShape> &overlay,
                 Picture &picture, std::string &error) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, opts.width, opts.height),
                       cairo_surface_destroy);
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS)
        status = Paint(scene, surface.get(), true, opts, overlay, picture.painterNote);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot draw the picture: ") + cairo_status_to_string(status);
        return false;
    }
    cairo_surface_flush(surface.get());
    picture.width = opts.width, picture.height = opts.height;
    picture.pixels.resize(size_t(opts.width) * size_t(opts.height));
    const unsigned char *data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < opts.height; ++y)
        std::memcpy(&picture.pixels[size_t(y) * size_t(opts.width)], data + size_t(y) * size_t(stride),
                    size_t(opts.width) * 4);
    return true;
}

bool RenderScene(Document &doc, const std::string &path, const ViewOptions &opts, std::string &error,
                 const std::vector<OverlayShape> &overlay) {
    bool svg = EndsWith(path, ".svg");
    if (!svg && !EndsWith(path, ".png")) {
        error = "a picture must be a .png or .svg file, not \"" + path + "\"";
        return false;
    }
    const PictureScene scene = ReadPictureScene(doc);
    // The picture is made in memory and written whole, so that a failed write keeps the old file.
    std::string bytes, note;
    SurfacePtr surface(svg ? cairo_svg_surface_create_for_stream(AppendBytes, &bytes, opts.width, opts.height)
                           : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, opts.width, opts.height),
                       cairo_surface_destroy);
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) status = Paint(scene, surface.get(), !svg, opts, overlay, note);
    if (status == CAIRO_STATUS_SUCCESS) {
        if (svg) {
            cairo_surface_finish(surface.get());
            status = cairo_surface_status(surface.get());
        } else {
            status = cairo_surface_write_to_png_stream(surface.get(), AppendBytes, &bytes);
        }
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot draw \"" + path + "\": " + cairo_status_to_string(status);
        return false;
    }
    if (!note.empty() && opts.openGl) {
        const std::string text =
            "render: " + note + "; PNG pictures are painted in depth order without a depth buffer";
        doc.Note(2, text);
        static bool told = false;  // once per run is enough on the terminal
        if (!told) std::cerr << "gorva: " << text << '\n';
        told = true;
    }
    return WriteFileSafely(path, bytes, error);
}

}  // namespace gorva::host
