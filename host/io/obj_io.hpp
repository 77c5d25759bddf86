// Wavefront OBJ scene files: each 'o' object is a mesh item, 'usemtl' the material tag, 'g' the
// part tag, 'vt' the "Texture" UV map per polygon corner; faces keep their vertex count and order,
// 'l' lines become two-vertex polygons and 'p' points one-vertex polygons.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/io/text_lines.hpp"

namespace gorva::host {

/// One polygon read from a file: vertex indices local to its object, optional UV per corner.
struct ObjPolygon {
    std::vector<uint32_t> vertices;
    std::vector<std::array<float, 2>> uvs;  // one per corner, or empty
    std::vector<uint8_t> uvSet;             // per corner: 1 when the corner had a 'vt'
    std::string material;
    std::string part;
};

/// One object of a file, with its own points in file order.
struct ObjObject {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<ObjPolygon> polygons;
    bool hasUVs = false;
};

/// A parsed file, not yet in any scene.
struct ObjFile {
    std::vector<ObjObject> objects;
    std::vector<std::string> notes;  // statements read but not kept (normals, smoothing groups ...)
};

/// Parses OBJ text; on failure returns false with "LABEL:LINE: reason" in `error` and leaves
/// `out` empty. `defaultName` names the object of a file without 'o' statements. Numbers must be
/// decimal and held by single precision (neither beyond its range nor so small that they would read
/// as zero); lines and the whole text are bounded by `limits`.
bool ParseObj(std::istream &in, const std::string &label, const std::string &defaultName, ObjFile &out,
              std::string &error, const TextLimits &limits = kObjLimits);

/// Replaces the host's scene with the file's objects: mesh items in file order, all active, the
/// first one primary. On any error the scene is left as it was.
bool OpenObjScene(Host &host, const std::string &path, std::string &error);

/// Adds the objects of a parsed file to the scene as active mesh items; returns the first one.
ItemData *AddObjObjects(Host &host, const ObjFile &file);

/// Writes every mesh item of the scene as an object, points in world space (the item's transform
/// applied), coordinates with 9 significant digits so that single-precision values read back
/// exactly. Items without a mesh are listed in a comment only.
void WriteObj(Host &host, std::ostream &out);

/// True when every mesh point lies within single precision's range in world space and every texture
/// coordinate is finite, so that the file WriteObj makes opens again; false with the first point or
/// texture coordinate that is not.
bool CheckSavable(Host &host, std::string &error);

/// WriteObj into a file through WriteFileSafely; false with a reason, the file untouched, when the
/// scene is not savable (CheckSavable) or the file cannot be written.
bool SaveObjScene(Host &host, const std::string &path, std::string &error);

}  // namespace gorva::host
