// What a picture shows of a scene, read once from the host (meshes, locators, selection), and the
// looks every painter shares: polygon colours and shading, the grid, selection and item markers.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/model/document.hpp"
#include "host/pictures/camera.hpp"

namespace gorva::host {

using Rgba = std::array<double, 4>;

/// The scene as pictures read it; the meshes are only looked at and must outlive it.
struct PictureScene {
    struct Layer {
        const MeshData *mesh = nullptr;
        const EdgeTable *edges = nullptr;  // every edge once
        Matrix4 world{};
        bool active = false;
    };
    struct Locator {
        std::string name;
        Matrix4 world{};
        bool selected = false;
        bool light = false;
        double width = 0.0, height = 0.0;  // area lights
    };
    std::vector<Layer> layers;
    std::vector<Locator> locators;
    std::vector<std::array<Vec3, 2>> selectedEdges;  // world end points
    std::vector<Vec3> selectedVertices;
    std::array<unsigned, 3> selectedCounts{};  // vertices, edges, polygons
    Bounds bounds;                             // as SceneBounds
};

/// Reads what pictures need from the document (the selection's lists are brought up to date).
PictureScene ReadPictureScene(Document &doc);

/// How one polygon is drawn: flat fill shaded by its facing, wire colour, and for polygons of one
/// or two points the width of their dot or line (pixels) in `fill`'s colour.
struct PolygonLook {
    Rgba fill{0, 0, 0, 1};
    Rgba wire{0, 0, 0, 1};
    bool backFacing = false;
    bool selected = false;
    double width = 1.0;
    Vec3 normal{0, 0, 0};  // unit, or zero for a polygon of no area
};

/// The wire colour of a layer's unselected polygons.
Rgba LayerWire(bool active);

/// Calls `visit` with the world points and look of every polygon whose points are all finite, layer
/// by layer in scene order.
void VisitPolygons(const PictureScene &scene, const Camera &cam,
                   const std::function<void(const std::vector<Vec3> &, const PolygonLook &)> &visit);

/// A world line, dot (pixels across) or label of a picture.
struct PictureLine {
    Vec3 a, b;
    Rgba colour;
    double width;
};
struct PictureDot {
    Vec3 p;
    Rgba colour;
    double size;
    bool square;
};
struct PictureLabel {
    Vec3 p;
    std::string text;
    Rgba colour;
};

/// What is drawn besides the polygons: the grid (under everything), lines that stand in the scene
/// (selected edges, item axes, lights), and dots and labels that are drawn on top.
struct SceneMarks {
    std::vector<PictureLine> grid, lines;
    std::vector<PictureDot> dots;
    std::vector<PictureLabel> labels;
};

/// The marks of the scene for a view; `bounds` sizes the grid and the item axes.
SceneMarks ReadSceneMarks(const PictureScene &scene, const ViewOptions &opts, const Bounds &bounds);

/// The legend's text: the view and how many elements are selected.
std::string LegendText(const PictureScene &scene, const ViewOptions &opts);

}  // namespace gorva::host
