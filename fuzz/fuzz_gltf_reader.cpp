// Fuzz target: the glTF reader. Any bytes are read twice, as a binary container and as JSON text
// (a .glb's JSON chunk with its binary chunk embedded in base64, or text wrapped into a container),
// into a host holding a scene of its own. Each reading opens to a sound scene or is refused with the
// label and leaves the scene exactly as it was; what opens saves as glTF and opens again to the same
// meshes, polygon and point counts.
#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.hpp"
#include "host/io/gltf_io.hpp"
#include "tests/support/shapes.hpp"

using namespace gorva::host;
using gorva::fuzz::Finding;

namespace {

// Declared element counts above this are not read: with a few kilobytes of input a count alone
// could ask for millions of elements (zeros without data), which only costs time.
constexpr int64_t kMaxDeclaredCount = 1 << 12;

void PutLe32(std::string &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

uint32_t Le32(const std::string &b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

/// JSON text as a binary container: one JSON chunk, padded with spaces.
std::string AsBinary(std::string json) {
    while (json.size() % 4) json += ' ';
    std::string out = "glTF";
    PutLe32(out, 2);
    PutLe32(out, uint32_t(20 + json.size()));
    PutLe32(out, uint32_t(json.size()));
    PutLe32(out, 0x4E4F534Au);
    return out + json;
}

std::string Base64(const std::string &bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 2]));
        for (size_t k = 0; k < 4; ++k) out += i + k <= bytes.size() ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

/// A container's JSON chunk as text, its binary chunk (if any) embedded as buffer 0's data URI;
/// the bytes unchanged when they are no well-formed container.
std::string AsText(const std::string &b) {
    if (b.size() < 20 || Le32(b, 8) != b.size() || Le32(b, 12) > b.size() - 20) return b;
    std::string json = b.substr(20, Le32(b, 12));
    size_t next = 20 + json.size();
    if (next + 8 > b.size() || Le32(b, next) > b.size() - next - 8) return json;
    auto doc = nlohmann::json::parse(json, nullptr, false);
    if (!doc.is_object() || !doc.contains("buffers") || !doc["buffers"].is_array() ||
        doc["buffers"].empty() || !doc["buffers"][0].is_object() || doc["buffers"][0].contains("uri"))
        return json;
    doc["buffers"][0]["uri"] =
        "data:application/octet-stream;base64," + Base64(b.substr(next + 8, Le32(b, next)));
    return doc.dump();
}

/// True when some accessor declares more elements than is worth reading.
bool Oversized(const std::string &text) {
    auto doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("accessors") || !doc["accessors"].is_array()) return false;
    for (const auto &a : doc["accessors"]) {
        if (!a.is_object()) continue;
        for (const auto *count :
             {a.contains("count") ? &a["count"] : nullptr,
              a.contains("sparse") && a["sparse"].is_object() && a["sparse"].contains("count")
                  ? &a["sparse"]["count"]
                  : nullptr})
            if (count && count->is_number() && count->get<double>() > double(kMaxDeclaredCount)) return true;
    }
    return false;
}

/// Point and polygon counts of every mesh item, in a fixed order.
std::vector<std::pair<uint32_t, uint32_t>> MeshCounts(const Host &host) {
    std::vector<std::pair<uint32_t, uint32_t>> counts;
    for (const auto &item : host.scene.Items())
        if (item->mesh) counts.emplace_back(item->mesh->PointCount(), item->mesh->PolygonCount());
    std::sort(counts.begin(), counts.end());
    return counts;
}

/// The scene just read saves as binary and as text, and each opens to the same meshes.
void CheckRoundTrip(Host &host, int upAxis) {
    for (bool binary : {true, false}) {
        std::string bytes, error;
        std::vector<std::string> warnings;
        if (!WriteGltf(host.scene, binary, upAxis, bytes, warnings, error))
            Finding("WriteGltf", "a scene just read cannot be saved: " + error);
        Host back;
        back.SetPreference("units.upAxis", std::to_string(upAxis));
        if (!ReadGltf(back, bytes, "saved", "", error))
            Finding("WriteGltf", "the saved scene does not open: " + error);
        if (MeshCounts(back) != MeshCounts(host))
            Finding("WriteGltf", "the saved scene opens to other polygon or point counts");
    }
}

/// Reads `bytes` into the host; checks the outcome against the scene held before.
void ReadChecked(Host &host, const std::string &bytes, const std::string &label, int upAxis) {
    std::string before = gorva::fuzz::Capture(host, true), error;
    if (!ReadGltf(host, bytes, label, gorva::fuzz::ScratchFolder(), error)) {
        if (error.rfind(label + ": ", 0) != 0)
            Finding("ReadGltf", "an error without the file's label: " + error);
        if (gorva::fuzz::Capture(host, true) != before)
            Finding("ReadGltf", "a refused file changed the scene");
        return;
    }
    gorva::fuzz::CheckInvariants(host, "ReadGltf " + label);
    CheckRoundTrip(host, upAxis);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string bytes(reinterpret_cast<const char *>(data), size);
    bool binary = bytes.compare(0, 4, "glTF") == 0;
    std::string text = binary ? AsText(bytes) : bytes;
    if (Oversized(text)) return 0;
    // Reading needs no plug-in: a plain host is fresh and costs far less than a new module host.
    // The scratch folder (external buffers are looked up there) gets its seed scenes once.
    static const bool scratchReady = gorva::fuzz::NewHost() != nullptr;
    (void)scratchReady;
    Host host;
    int upAxis = int(size % 3);  // every up axis, chosen by the input
    host.SetPreference("units.upAxis", std::to_string(upAxis));
    MeshShape keep = BoxShape({0, 0, 0}, {1, 1, 1});
    keep.name = "Keep";
    AddMesh(host, keep);
    ReadChecked(host, binary ? bytes : AsBinary(bytes), "fuzz.glb", upAxis);
    ReadChecked(host, text, "fuzz.gltf", upAxis);
    return 0;
}
