// Wavefront OBJ scene files: each 'o' object is a mesh item, 'usemtl' the material tag, 'g' the
// part tag, 'vt' the "Texture" UV map per polygon corner; faces keep their vertex count and order,
// 'l' lines become two-vertex polygons and 'p' points one-vertex polygons.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/model/document.hpp"
#include "host/base/text_lines.hpp"

namespace gorva::host {

/// How an element statement was written: a face, a polyline ('l') or points ('p').
enum class ObjElementKind : uint8_t { kFace, kLine, kPoints };

/// One element statement of an object: its run of corners and the names in force.
struct ObjElement {
    uint32_t firstCorner;
    uint32_t cornerCount;
    uint32_t material;  // index in ObjFile::names, 0 for none
    uint32_t part;
    ObjElementKind kind;
};

/// One polygon as the scene gets it: a face whole, each segment of a line, each point on its own.
struct ObjPolygon {
    std::vector<uint32_t> vertices;
    std::vector<std::array<float, 2>> uvs;  // one per corner, or empty
    std::vector<uint8_t> uvSet;             // per corner: 1 when the corner had a 'vt'
    std::string material;
    std::string part;
};

/// One object of a file, with its own points in file order. Elements are kept as written (a line
/// of a thousand points is one record), so memory follows the file's size.
struct ObjObject {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<ObjElement> elements;
    std::vector<uint32_t> corners;  // per corner: index in `points`
    std::vector<uint32_t>
        cornerUVs;  // per corner: index in ObjFile::uvs + 1, 0 for none; empty when none has one
};

/// A parsed file, not yet in any scene.
struct ObjFile {
    std::vector<ObjObject> objects;
    std::vector<std::string> names{std::string()};  // material and group names, each once; [0] none
    std::vector<std::array<float, 2>> uvs;          // texture coordinates in file order
    std::vector<std::string> notes;  // statements read but not kept (normals, smoothing groups ...)

    /// Calls fn(vertices, count, uvRefs, material, part) for each polygon of the object in order;
    /// uvRefs is null when the object has no texture coordinates, else one entry per corner as in
    /// ObjObject::cornerUVs; material and part index `names`.
    template <class Fn>
    void ForEachPolygon(const ObjObject &object, Fn fn) const {
        const uint32_t *uvRefs = object.cornerUVs.empty() ? nullptr : object.cornerUVs.data();
        for (const ObjElement &e : object.elements) {
            const uint32_t *v = object.corners.data() + e.firstCorner;
            const uint32_t *t = uvRefs ? uvRefs + e.firstCorner : nullptr;
            uint32_t step = e.kind == ObjElementKind::kFace ? e.cornerCount : 1;
            uint32_t size = e.kind == ObjElementKind::kFace   ? e.cornerCount
                            : e.kind == ObjElementKind::kLine ? 2
                                                              : 1;
            for (uint32_t i = 0; i + size <= e.cornerCount; i += step)
                fn(v + i, size, t ? t + i : nullptr, e.material, e.part);
        }
    }
    /// The polygons of an object, each with its own lists and names (for small files and tests).
    std::vector<ObjPolygon> Polygons(const ObjObject &object) const;
};

/// Parses OBJ text; on failure returns false with "LABEL:LINE: reason" in `error` and leaves
/// `out` empty. `defaultName` names the object of a file without 'o' statements. Numbers must be
/// decimal and held by single precision (neither beyond its range nor so small that they would read
/// as zero); lines and the whole text are bounded by `limits`.
bool ParseObj(std::istream &in, const std::string &label, const std::string &defaultName, ObjFile &out,
              std::string &error, const TextLimits &limits = kObjLimits);

/// Replaces the document's scene with the file's objects: mesh items in file order, all active, the
/// first one primary. On any error the scene is left as it was.
bool OpenObjScene(Document &doc, const std::string &path, std::string &error);

/// Adds the objects of a parsed file to the scene as active mesh items; returns the first one.
ItemData *AddObjObjects(Document &doc, const ObjFile &file);

/// Writes every mesh item of the scene as an object, points in world space (the item's transform
/// applied), coordinates with 9 significant digits so that single-precision values read back
/// exactly. Items without a mesh are listed in a comment only.
void WriteObj(const Scene &scene, std::ostream &out);

/// True when every mesh point lies within single precision's range in world space and every texture
/// coordinate is finite, so that the file WriteObj makes opens again; false with the first point or
/// texture coordinate that is not.
bool CheckSavable(const Scene &scene, std::string &error);

/// WriteObj into a file through WriteFileSafely; false with a reason, the file untouched, when the
/// scene is not savable (CheckSavable) or the file cannot be written.
bool SaveObjScene(const Scene &scene, const std::string &path, std::string &error);

}  // namespace gorva::host
