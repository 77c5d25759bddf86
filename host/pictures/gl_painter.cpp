#include "host/pictures/gl_painter.hpp"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "host/model/triangulate.hpp"

namespace gorva::host {

namespace {

// Every GL entry point used, fetched through eglGetProcAddress so that nothing links against GL.
// clang-format off
#define GORVA_GL_CALLS(X)                                                                          \
    X(GetString) X(GetError) X(GetIntegerv) X(Viewport) X(Enable) X(Disable) X(Finish)             \
    X(GenFramebuffers) X(BindFramebuffer) X(DeleteFramebuffers) X(CheckFramebufferStatus)         \
    X(GenRenderbuffers) X(BindRenderbuffer) X(DeleteRenderbuffers)                                \
    X(RenderbufferStorageMultisample) X(FramebufferRenderbuffer) X(BlitFramebuffer)               \
    X(ReadBuffer) X(ReadPixels) X(PixelStorei)                                                    \
    X(ClearDepth) X(ClearStencil) X(Clear) X(DepthFunc) X(DepthMask) X(ColorMask)                 \
    X(BlendFuncSeparate) X(PolygonOffset) X(LineWidth) X(PointSize) X(StencilFunc)                \
    X(StencilOpSeparate) X(MatrixMode) X(LoadMatrixf) X(LoadIdentity) X(EnableClientState)        \
    X(DisableClientState) X(VertexPointer) X(ColorPointer) X(DrawArrays) X(DrawElements)
// clang-format on

struct GlApi {
#define GORVA_GL_MEMBER(name) decltype(&::gl##name) name = nullptr;
    GORVA_GL_CALLS(GORVA_GL_MEMBER)
#undef GORVA_GL_MEMBER
};

/// The process's one EGL context, made on first use and kept for the life of the process (Mesa's
/// compiled shaders stay with it, so later pictures start fast).
class GlContext {
public:
    static GlContext &Shared() {
        static GlContext context;
        return context;
    }
    const std::string &Why() const { return m_why; }
    const GlApi &Gl() const { return m_gl; }
    bool MakeCurrent() const { return m_makeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context); }

private:
    GlContext() { m_why = Open(); }
    std::string Open();
    EGLDisplay OpenDisplay();

    std::string m_why;
    void *m_library = nullptr;
    decltype(&::eglGetProcAddress) m_proc = nullptr;
    decltype(&::eglMakeCurrent) m_makeCurrent = nullptr;
    EGLDisplay m_display = EGL_NO_DISPLAY;
    EGLContext m_context = EGL_NO_CONTEXT;
    GlApi m_gl;
};

template <typename F>
F Fetch(decltype(&::eglGetProcAddress) proc, const char *name) {
    return reinterpret_cast<F>(proc(name));
}

EGLDisplay GlContext::OpenDisplay() {
    auto query = reinterpret_cast<decltype(&::eglQueryString)>(dlsym(m_library, "eglQueryString"));
    const char *client = query ? query(EGL_NO_DISPLAY, EGL_EXTENSIONS) : nullptr;
    std::string extensions = client ? client : "";
    auto platformDisplay = Fetch<PFNEGLGETPLATFORMDISPLAYEXTPROC>(m_proc, "eglGetPlatformDisplayEXT");
    // No window system: Mesa's surfaceless platform, else the first EGL device.
    if (platformDisplay && extensions.find("EGL_MESA_platform_surfaceless") != std::string::npos)
        return platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    auto queryDevices = Fetch<PFNEGLQUERYDEVICESEXTPROC>(m_proc, "eglQueryDevicesEXT");
    EGLDeviceEXT device = nullptr;
    EGLint count = 0;
    if (platformDisplay && queryDevices && queryDevices(1, &device, &count) && count > 0)
        return platformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
    return EGL_NO_DISPLAY;
}

std::string GlContext::Open() {
    const char *choice = std::getenv("GORVA_PICTURES");
    if (choice && std::string(choice) == "cairo") return "GORVA_PICTURES=cairo asks for cairo's painter";
    m_library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!m_library) return "libEGL.so.1 cannot be loaded (install libegl1 and libegl-mesa0)";
    m_proc = reinterpret_cast<decltype(m_proc)>(dlsym(m_library, "eglGetProcAddress"));
    m_makeCurrent = reinterpret_cast<decltype(m_makeCurrent)>(dlsym(m_library, "eglMakeCurrent"));
    auto initialize = reinterpret_cast<decltype(&::eglInitialize)>(dlsym(m_library, "eglInitialize"));
    auto bindApi = reinterpret_cast<decltype(&::eglBindAPI)>(dlsym(m_library, "eglBindAPI"));
    auto chooseConfig = reinterpret_cast<decltype(&::eglChooseConfig)>(dlsym(m_library, "eglChooseConfig"));
    auto createContext =
        reinterpret_cast<decltype(&::eglCreateContext)>(dlsym(m_library, "eglCreateContext"));
    if (!m_proc || !m_makeCurrent || !initialize || !bindApi || !chooseConfig || !createContext)
        return "libEGL.so.1 lacks the EGL 1.4 calls";
    m_display = OpenDisplay();
    EGLint major = 0, minor = 0;
    if (m_display == EGL_NO_DISPLAY || !initialize(m_display, &major, &minor))
        return "EGL has no display without a window system (install libegl-mesa0 and libgl1-mesa-dri)";
    if (!bindApi(EGL_OPENGL_API)) return "EGL offers no desktop OpenGL";
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!chooseConfig(m_display, configAttributes, &config, 1, &configs) || configs < 1)
        config = nullptr;  // EGL_KHR_no_config_context
    m_context = createContext(m_display, config, EGL_NO_CONTEXT, nullptr);
    if (m_context == EGL_NO_CONTEXT || !MakeCurrent()) return "EGL cannot make an OpenGL context";
#define GORVA_GL_FETCH(name)                                    \
    m_gl.name = Fetch<decltype(m_gl.name)>(m_proc, "gl" #name); \
    if (!m_gl.name) return "OpenGL lacks gl" #name " (OpenGL 3.0 is needed)";
    GORVA_GL_CALLS(GORVA_GL_FETCH)
#undef GORVA_GL_FETCH
    const char *version = reinterpret_cast<const char *>(m_gl.GetString(GL_VERSION));
    if (!version || std::atoi(version) < 3)
        return std::string("OpenGL ") + (version ? version : "of no version") + " is older than 3.0";
    return {};
}

/// A vertex in view coordinates (right, up, -depth) with its colour.
struct GlVertex {
    float x, y, z;
    uint8_t rgba[4];
};

uint8_t Channel(double c) {
    return uint8_t(std::clamp(c, 0.0, 1.0) * 255.0 + 0.5);
}

GlVertex ViewVertex(const Camera &cam, const Vec3 &world, const Rgba &colour) {
    Vec3 v = cam.ToView(world);
    return {float(v[0]),
            float(v[1]),
            float(-v[2]),
            {Channel(colour[0]), Channel(colour[1]), Channel(colour[2]), Channel(colour[3])}};
}

/// Lines between shared points: a layer's edges, each drawn once.
struct IndexedLines {
    std::vector<GlVertex> points;
    std::vector<uint32_t> ends;
};

/// A polygon of many corners: a fan about its centre that counts windings, and a quad in its
/// plane that covers it.
struct GlFan {
    std::vector<GlVertex> fan;
    std::vector<GlVertex> cover;
};

/// Vertex lists of one picture: faces, wires, and lines and dots grouped by width.
struct GlBatches {
    std::vector<GlVertex> grid, faces, selectedWires, corners;
    std::vector<GlFan> fans;  // polygons of many corners, filled through the stencil
    std::map<double, std::vector<GlVertex>> lines, dots;
};

/// Ear clipping costs the square of the corners: polygons of more are filled as fans through the
/// stencil buffer instead.
const size_t kMostEarCorners = 128;

/// True when the quad turns the same way at every corner about its normal, so that either
/// diagonal splits it.
bool ConvexQuad(const std::vector<Vec3> &p, const Vec3 &normal) {
    for (size_t i = 0; i < 4; ++i) {
        Vec3 turn = Cross(Sub(p[(i + 1) % 4], p[i]), Sub(p[(i + 2) % 4], p[(i + 1) % 4]));
        if (!(Dot(turn, normal) > 0)) return false;
    }
    return true;
}

/// The corners of a dense outline without those closer on screen than a quarter pixel to the last
/// one kept: they add nothing to the picture and cost the rasteriser a thin triangle each.
std::vector<GlVertex> Thinned(const Camera &cam, const std::vector<Vec3> &pts,
                              const std::vector<GlVertex> &corners) {
    std::vector<GlVertex> kept;
    double lastX = 0, lastY = 0;
    bool lastSeen = false;
    for (size_t i = 0; i < pts.size(); ++i) {
        double x, y, d;
        bool seen = cam.Project(pts[i], x, y, d);
        if (seen && lastSeen && std::fabs(x - lastX) < 0.25 && std::fabs(y - lastY) < 0.25) continue;
        kept.push_back(corners[i]);
        lastX = x, lastY = y, lastSeen = seen;
    }
    return kept;
}

/// The fan from the corners' centre (its triangles half as long as from a corner, which the
/// rasteriser pays for) and the polygon's bounding rectangle in its own plane.
GlFan FanOf(const Camera &cam, const std::vector<Vec3> &pts, const PolygonLook &look,
            const std::vector<GlVertex> &corners) {
    Vec3 centre{0, 0, 0};
    for (const auto &p : pts) centre = Add(centre, Scale(p, 1.0 / double(pts.size())));
    GlFan out;
    out.fan.push_back(ViewVertex(cam, centre, look.fill));
    out.fan.insert(out.fan.end(), corners.begin(), corners.end());
    out.fan.push_back(corners.front());
    const Vec3 &n = look.normal;
    Vec3 s = Normalize(Cross(n, std::fabs(n[0]) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0}), {0, 0, 1});
    Vec3 t = Cross(n, s);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const auto &p : pts) {
        Vec3 d = Sub(p, centre);
        lo[0] = std::min(lo[0], Dot(d, s)), hi[0] = std::max(hi[0], Dot(d, s));
        lo[1] = std::min(lo[1], Dot(d, t)), hi[1] = std::max(hi[1], Dot(d, t));
    }
    for (auto [a, b] : {std::pair{lo[0], lo[1]}, {hi[0], lo[1]}, {hi[0], hi[1]}, {lo[0], hi[1]}})
        out.cover.push_back(ViewVertex(cam, Add(centre, Add(Scale(s, a), Scale(t, b))), look.fill));
    return out;
}

void AddPolygon(const Camera &cam, const std::vector<Vec3> &pts, const PolygonLook &look, GlBatches &out) {
    const size_t n = pts.size();
    if (n == 1) {
        out.dots[look.width].push_back(ViewVertex(cam, pts[0], look.fill));
        return;
    }
    if (n == 2) {
        auto &line = out.lines[look.width];
        line.push_back(ViewVertex(cam, pts[0], look.fill));
        line.push_back(ViewVertex(cam, pts[1], look.fill));
        return;
    }
    std::vector<GlVertex> &corners = out.corners;
    corners.resize(n);
    for (size_t i = 0; i < n; ++i) corners[i] = ViewVertex(cam, pts[i], look.fill);
    if (n > kMostEarCorners) {
        if (Length(look.normal) > 0) out.fans.push_back(FanOf(cam, pts, look, Thinned(cam, pts, corners)));
    } else if (n == 3) {
        out.faces.insert(out.faces.end(), corners.begin(), corners.end());
    } else if (n == 4 && ConvexQuad(pts, look.normal)) {
        for (size_t k : {0, 1, 2, 0, 2, 3}) out.faces.push_back(corners[k]);
    } else {
        for (const auto &t : Triangulate(pts, look.normal))
            for (size_t k : t) out.faces.push_back(corners[k]);
    }
    if (!look.selected) return;  // the layer's edges give the other wires
    const GlVertex tint = ViewVertex(cam, pts[0], look.wire);
    for (size_t i = 0; i < n; ++i) {
        GlVertex a = corners[i], b = corners[(i + 1) % n];
        std::memcpy(a.rgba, tint.rgba, 4);
        std::memcpy(b.rgba, tint.rgba, 4);
        out.selectedWires.push_back(a);
        out.selectedWires.push_back(b);
    }
}

/// Every edge of a layer once, in the layer's wire colour; edges at points that are not finite
/// are left out.
IndexedLines LayerWires(const PictureScene::Layer &layer, const Camera &cam) {
    const MeshData &mesh = *layer.mesh;
    IndexedLines wires;
    wires.points.resize(mesh.PointCount());
    std::vector<uint8_t> finite(mesh.PointCount());
    const Rgba colour = LayerWire(layer.active);
    for (uint32_t i = 0; i < mesh.PointCount(); ++i) {
        const auto &p = mesh.Positions()[i];
        Vec3 w = TransformPoint(layer.world, {p[0], p[1], p[2]});
        finite[i] = std::isfinite(w[0]) && std::isfinite(w[1]) && std::isfinite(w[2]);
        if (finite[i]) wires.points[i] = ViewVertex(cam, w, colour);
    }
    wires.ends.reserve(layer.edges->ends.size() * 2);
    for (const auto &e : layer.edges->ends)
        if (e[0] < finite.size() && e[1] < finite.size() && finite[e[0]] && finite[e[1]])
            wires.ends.insert(wires.ends.end(), {e[0], e[1]});
    return wires;
}

void AddLines(const Camera &cam, const std::vector<PictureLine> &lines,
              std::map<double, std::vector<GlVertex>> &out) {
    for (const auto &l : lines) {
        out[l.width].push_back(ViewVertex(cam, l.a, l.colour));
        out[l.width].push_back(ViewVertex(cam, l.b, l.colour));
    }
}

void AddGrid(const Camera &cam, const std::vector<PictureLine> &lines, std::vector<GlVertex> &out) {
    for (const auto &l : lines) {
        out.push_back(ViewVertex(cam, l.a, l.colour));
        out.push_back(ViewVertex(cam, l.b, l.colour));
    }
}

void Draw(const GlApi &gl, GLenum mode, const std::vector<GlVertex> &vertices) {
    if (vertices.empty()) return;
    gl.VertexPointer(3, GL_FLOAT, sizeof(GlVertex), &vertices[0].x);
    gl.ColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GlVertex), vertices[0].rgba);
    gl.DrawArrays(mode, 0, GLsizei(vertices.size()));
}

/// The viewport's gradient behind everything, in pixels of the picture's own (top-left) frame.
void DrawBackground(const GlApi &gl) {
    const Rgba top{0.30, 0.31, 0.33, 1}, bottom{0.16, 0.17, 0.18, 1};
    auto corner = [](float x, float y, const Rgba &c) {
        return GlVertex{x, y, 0.0f, {Channel(c[0]), Channel(c[1]), Channel(c[2]), 255}};
    };
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    Draw(gl, GL_TRIANGLE_STRIP,
         {corner(-1, -1, bottom), corner(1, -1, bottom), corner(-1, 1, top), corner(1, 1, top)});
}

/// A multisampled frame and the plain frame it is resolved into; released on every path out.
class GlFrame {
public:
    GlFrame(const GlApi &gl, int width, int height) : m_gl(gl) {
        GLint most = 0;
        gl.GetIntegerv(GL_MAX_SAMPLES, &most);
        // Four samples smooth edges; pictures beyond 2048 x 2048 pixels go without, as the samples
        // would take gigabytes.
        m_samples = std::min<GLint>(most, double(width) * height <= 4.2e6 ? 4 : 0);
        gl.GenFramebuffers(2, m_frames);
        gl.GenRenderbuffers(3, m_buffers);
        gl.BindRenderbuffer(GL_RENDERBUFFER, m_buffers[0]);
        gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, m_samples, GL_RGBA8, width, height);
        gl.BindRenderbuffer(GL_RENDERBUFFER, m_buffers[1]);
        gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, m_samples, GL_DEPTH24_STENCIL8, width, height);
        m_ok = true;
        if (m_samples > 0) {  // the plain frame the samples are resolved into
            gl.BindRenderbuffer(GL_RENDERBUFFER, m_buffers[2]);
            gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, width, height);
            gl.BindFramebuffer(GL_FRAMEBUFFER, m_frames[1]);
            gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_buffers[2]);
            m_ok = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        }
        gl.BindFramebuffer(GL_FRAMEBUFFER, m_frames[0]);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_buffers[0]);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   m_buffers[1]);
        m_ok = m_ok && gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    ~GlFrame() {
        m_gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
        m_gl.DeleteFramebuffers(2, m_frames);
        m_gl.DeleteRenderbuffers(3, m_buffers);
    }
    GlFrame(const GlFrame &) = delete;
    GlFrame &operator=(const GlFrame &) = delete;
    bool Ok() const { return m_ok; }
    /// Resolves the samples and reads the picture straight into a cairo image, top row first.
    void ReadInto(cairo_surface_t *image, int width, int height) const {
        m_gl.BindFramebuffer(GL_READ_FRAMEBUFFER, m_frames[0]);
        if (m_samples > 0) {
            m_gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, m_frames[1]);
            m_gl.BlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
            m_gl.BindFramebuffer(GL_READ_FRAMEBUFFER, m_frames[1]);
        }
        m_gl.ReadBuffer(GL_COLOR_ATTACHMENT0);
        cairo_surface_flush(image);
        unsigned char *data = cairo_image_surface_get_data(image);
        const size_t stride = size_t(cairo_image_surface_get_stride(image)), row = size_t(width) * 4;
        m_gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
        m_gl.PixelStorei(GL_PACK_ROW_LENGTH, GLint(stride / 4));
        // Packed BGRA words in reverse order are cairo's native 0xAARRGGBB words.
        m_gl.ReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, data);
        m_gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
        std::vector<unsigned char> swap(row);
        for (size_t top = 0, bottom = size_t(height) - 1; top < bottom; ++top, --bottom) {
            std::memcpy(swap.data(), data + top * stride, row);
            std::memcpy(data + top * stride, data + bottom * stride, row);
            std::memcpy(data + bottom * stride, swap.data(), row);
        }
        cairo_surface_mark_dirty(image);
    }

private:
    const GlApi &m_gl;
    GLint m_samples = 0;
    GLuint m_frames[2] = {0, 0};
    GLuint m_buffers[3] = {0, 0, 0};
    bool m_ok = false;
};

/// A polygon of any shape filled by the nonzero rule: its fan counts windings into the stencil,
/// then its cover is drawn where the count is not zero (each pixel once, the count cleared).
void DrawFan(const GlApi &gl, const GlFan &fan) {
    gl.Enable(GL_STENCIL_TEST);
    gl.ColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    gl.DepthMask(GL_FALSE);
    gl.Disable(GL_DEPTH_TEST);
    gl.StencilFunc(GL_ALWAYS, 0, 0xff);
    gl.StencilOpSeparate(GL_FRONT, GL_KEEP, GL_KEEP, GL_INCR_WRAP);
    gl.StencilOpSeparate(GL_BACK, GL_KEEP, GL_KEEP, GL_DECR_WRAP);
    Draw(gl, GL_TRIANGLE_FAN, fan.fan);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.DepthMask(GL_TRUE);
    gl.Enable(GL_DEPTH_TEST);
    gl.StencilFunc(GL_NOTEQUAL, 0, 0xff);
    gl.StencilOpSeparate(GL_FRONT_AND_BACK, GL_KEEP, GL_ZERO, GL_ZERO);
    Draw(gl, GL_TRIANGLE_FAN, fan.cover);
    gl.Disable(GL_STENCIL_TEST);
}

/// The grid (under everything, as in a viewport), then the state faces are drawn in.
void DrawGridAndBeginFaces(const GlApi &gl, const Camera &cam, const std::vector<GlVertex> &grid) {
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadMatrixf(cam.ClipMatrix().data());
    gl.Enable(GL_BLEND);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl.LineWidth(1.0f);
    Draw(gl, GL_LINES, grid);
    gl.Enable(GL_DEPTH_TEST);
    gl.DepthFunc(GL_LESS);
    gl.Disable(GL_BLEND);
    // Faces sit a little behind their depth so that wires and lines on them win the depth test.
    gl.Enable(GL_POLYGON_OFFSET_FILL);
    gl.PolygonOffset(1.0f, 2.0f);
}

/// Faces go to OpenGL in runs of this many vertices while the next run is made, which keeps
/// memory small and lets the rasteriser's threads work meanwhile.
const size_t kFaceRun = 3 * 32768;

void DrawFaces(const GlApi &gl, GlBatches &batches) {
    Draw(gl, GL_TRIANGLES, batches.faces);
    batches.faces.clear();
}

/// Wires and lines over the faces: each layer's edges, selected polygons' outlines, then the
/// scene's lines and dots.
void DrawWiresAndLines(const GlApi &gl, const PictureScene &scene, const Camera &cam, GlBatches &batches) {
    gl.Disable(GL_POLYGON_OFFSET_FILL);
    gl.Enable(GL_BLEND);
    gl.DepthFunc(GL_LEQUAL);
    gl.DepthMask(GL_FALSE);
    for (const auto &layer : scene.layers) {
        IndexedLines wires = LayerWires(layer, cam);
        if (wires.ends.empty()) continue;
        gl.VertexPointer(3, GL_FLOAT, sizeof(GlVertex), &wires.points[0].x);
        gl.ColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GlVertex), wires.points[0].rgba);
        gl.DrawElements(GL_LINES, GLsizei(wires.ends.size()), GL_UNSIGNED_INT, wires.ends.data());
    }
    Draw(gl, GL_LINES, batches.selectedWires);
    gl.DepthMask(GL_TRUE);
    for (const auto &[width, lines] : batches.lines) {
        gl.LineWidth(float(width));
        Draw(gl, GL_LINES, lines);
    }
    for (const auto &[size, dots] : batches.dots) {
        gl.PointSize(float(size));
        Draw(gl, GL_POINTS, dots);
    }
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_BLEND);
}

}  // namespace

const std::string &OpenGlUnavailable() {
    return GlContext::Shared().Why();
}

bool PaintWithOpenGl(const PictureScene &scene, const Camera &cam, const SceneMarks &marks,
                     cairo_surface_t *image, std::string &error) {
    GlContext &context = GlContext::Shared();
    if (!context.Why().empty() || !context.MakeCurrent()) {
        error = context.Why().empty() ? "EGL cannot make its context current" : context.Why();
        return false;
    }
    const GlApi &gl = context.Gl();
    const int width = cam.Width(), height = cam.Height();
    while (gl.GetError() != GL_NO_ERROR) {
    }
    GlFrame frame(gl, width, height);
    if (!frame.Ok()) {
        error = "OpenGL cannot make a frame of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels";
        return false;
    }
    GlBatches batches;
    AddGrid(cam, marks.grid, batches.grid);
    AddLines(cam, marks.lines, batches.lines);
    gl.Viewport(0, 0, width, height);
    gl.ClearDepth(1.0);
    gl.ClearStencil(0);
    gl.Clear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.EnableClientState(GL_COLOR_ARRAY);
    DrawBackground(gl);
    DrawGridAndBeginFaces(gl, cam, batches.grid);
    batches.faces.reserve(kFaceRun + 3 * kMostEarCorners);
    VisitPolygons(scene, cam, [&](const std::vector<Vec3> &pts, const PolygonLook &look) {
        AddPolygon(cam, pts, look, batches);
        if (batches.faces.size() >= kFaceRun) DrawFaces(gl, batches);
    });
    DrawFaces(gl, batches);
    for (const auto &fan : batches.fans) DrawFan(gl, fan);
    DrawWiresAndLines(gl, scene, cam, batches);
    gl.DisableClientState(GL_VERTEX_ARRAY);
    gl.DisableClientState(GL_COLOR_ARRAY);
    frame.ReadInto(image, width, height);
    if (GLenum code = gl.GetError(); code != GL_NO_ERROR) {
        error = "OpenGL reported error " + std::to_string(code);
        return false;
    }
    return true;
}

}  // namespace gorva::host
