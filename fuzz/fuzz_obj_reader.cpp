// Fuzz target: the OBJ reader. Any text is read or refused with its label and a line; what is read
// holds only finite single-precision values and corners in range, becomes valid meshes, saves, and
// opens again to the same points, polygons, tags and UVs bit for bit.
#include <cfloat>
#include <cmath>
#include <sstream>

#include "fuzz/fuzz_support.hpp"
#include "host/io/obj_io.hpp"

using namespace gorva::host;
using gorva::fuzz::Finding;

namespace {

/// Small limits keep each run short; the limits themselves are part of what is read.
const TextLimits kLimits{4096, 1 << 20};

void CheckParsed(const ObjFile &file) {
    for (const ObjObject &obj : file.objects) {
        for (const auto &p : obj.points)
            for (float c : p)
                if (!(std::fabs(c) <= FLT_MAX)) Finding("ParseObj", "a point is not finite");
        for (const ObjPolygon &poly : file.Polygons(obj)) {
            if (poly.vertices.empty()) Finding("ParseObj", "a polygon has no corners");
            for (uint32_t v : poly.vertices)
                if (v >= obj.points.size()) Finding("ParseObj", "a corner names a point out of range");
            if (!poly.uvs.empty() &&
                (poly.uvs.size() != poly.vertices.size() || poly.uvSet.size() != poly.vertices.size()))
                Finding("ParseObj", "UVs do not match the corners");
        }
    }
}

/// Points, polygons (corners, tags, UVs where set) of two parsed files, equal bit for bit.
bool SameGeometry(const ObjFile &a, const ObjFile &b) {
    if (a.objects.size() != b.objects.size()) return false;
    for (size_t k = 0; k < a.objects.size(); ++k) {
        const ObjObject &x = a.objects[k], &y = b.objects[k];
        std::vector<ObjPolygon> xs = a.Polygons(x), ys = b.Polygons(y);
        if (x.points != y.points || xs.size() != ys.size()) return false;
        for (size_t p = 0; p < xs.size(); ++p) {
            const ObjPolygon &s = xs[p], &t = ys[p];
            if (s.vertices != t.vertices || s.material != t.material || s.part != t.part) return false;
            for (size_t c = 0; c < s.uvSet.size(); ++c)
                if (s.uvSet[c] && (c >= t.uvSet.size() || !t.uvSet[c] || s.uvs[c] != t.uvs[c])) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    ObjFile file;
    std::string error;
    if (!ParseObj(in, "fuzz.obj", "Mesh", file, error, kLimits)) {
        if (error.rfind("fuzz.obj", 0) != 0)
            Finding("ParseObj", "an error without the file's label: " + error);
        if (!file.objects.empty()) Finding("ParseObj", "a refused file left objects behind");
        return 0;
    }
    CheckParsed(file);
    auto host = gorva::fuzz::NewHost();
    AddObjObjects(*host, file);
    gorva::fuzz::CheckInvariants(*host, "AddObjObjects");
    if (!CheckSavable(host->scene, error))
        Finding("CheckSavable", "a scene just read cannot be saved: " + error);
    std::ostringstream out;
    WriteObj(host->scene, out);
    std::istringstream again(out.str());
    ObjFile reread;
    if (!ParseObj(again, "saved.obj", "Mesh", reread, error))
        Finding("WriteObj", "the saved scene does not open: " + error);
    if (!SameGeometry(file, reread)) Finding("WriteObj", "the saved scene opens to different geometry");
    return 0;
}
