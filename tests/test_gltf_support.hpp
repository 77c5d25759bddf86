// glTF files as other tools write them, built by hand for tests: a JSON document and one binary
// buffer, put together as text (buffer embedded or beside it) or as a binary container.
#pragma once

#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

/// A glTF document under construction and its binary buffer.
struct GltfSketch {
    nlohmann::json doc = {{"asset", {{"version", "2.0"}, {"generator", "test"}}}};
    std::string bin;

    /// Appends raw values as a buffer view (4-byte aligned) and returns its index.
    template <class T>
    int View(const std::vector<T> &values) {
        while (bin.size() % 4) bin.push_back('\0');
        size_t at = bin.size();
        bin.append(reinterpret_cast<const char *>(values.data()), values.size() * sizeof(T));
        doc["bufferViews"].push_back(
            {{"buffer", 0}, {"byteOffset", at}, {"byteLength", values.size() * sizeof(T)}});
        return int(doc["bufferViews"].size() - 1);
    }
    /// An accessor over a new view; `type` "VEC3", "SCALAR" ...
    template <class T>
    int Accessor(const std::vector<T> &values, int componentType, const char *type, size_t components) {
        nlohmann::json a = {{"bufferView", View(values)},
                            {"componentType", componentType},
                            {"type", type},
                            {"count", values.size() / components}};
        doc["accessors"].push_back(a);
        return int(doc["accessors"].size() - 1);
    }
    int Positions(const std::vector<float> &xyz) {
        int a = Accessor(xyz, 5126, "VEC3", 3);
        nlohmann::json lo = {xyz[0], xyz[1], xyz[2]}, hi = lo;
        for (size_t i = 0; i < xyz.size(); ++i) {
            lo[i % 3] = std::min(lo[i % 3].get<float>(), xyz[i]);
            hi[i % 3] = std::max(hi[i % 3].get<float>(), xyz[i]);
        }
        doc["accessors"][size_t(a)]["min"] = lo;
        doc["accessors"][size_t(a)]["max"] = hi;
        return a;
    }
    /// A mesh of one primitive; returns its index.
    int Mesh(nlohmann::json primitive) {
        doc["meshes"].push_back({{"primitives", {primitive}}});
        return int(doc["meshes"].size() - 1);
    }
    int Node(nlohmann::json node) {
        doc["nodes"].push_back(node);
        return int(doc["nodes"].size() - 1);
    }
    /// One scene of the given root nodes.
    void Scene(std::vector<int> roots) {
        doc["scenes"] = {{{"nodes", roots}}};
        doc["scene"] = 0;
    }

    /// Text with the buffer as a data URI, or with `uri` naming it when given.
    std::string Text(const std::string &uri = std::string()) {
        nlohmann::json d = doc;
        if (!bin.empty())
            d["buffers"] = {{{"byteLength", bin.size()}, {"uri", uri.empty() ? DataUri() : uri}}};
        return d.dump();
    }
    /// The binary container: JSON chunk and BIN chunk, each padded to four bytes.
    std::string Binary() {
        nlohmann::json d = doc;
        d["buffers"] = {{{"byteLength", bin.size()}}};
        std::string json = d.dump(), data = bin;
        while (json.size() % 4) json.push_back(' ');
        while (data.size() % 4) data.push_back('\0');
        std::string out = "glTF";
        Le(out, 2);
        Le(out, uint32_t(12 + 8 + json.size() + 8 + data.size()));
        Le(out, uint32_t(json.size()));
        out += "JSON" + json;
        Le(out, uint32_t(data.size()));
        out += std::string("BIN\0", 4) + data;
        return out;
    }

private:
    static void Le(std::string &out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
    }
    std::string DataUri() const {
        static const char *k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out = "data:application/octet-stream;base64,";
        size_t i = 0;
        for (; i + 2 < bin.size(); i += 3) {
            uint32_t v =
                uint32_t(uint8_t(bin[i])) << 16 | uint32_t(uint8_t(bin[i + 1])) << 8 | uint8_t(bin[i + 2]);
            for (int s = 18; s >= 0; s -= 6) out += k[(v >> s) & 63];
        }
        if (i < bin.size()) {
            uint32_t v = uint32_t(uint8_t(bin[i])) << 16 |
                         (i + 1 < bin.size() ? uint32_t(uint8_t(bin[i + 1])) << 8 : 0);
            out += k[(v >> 18) & 63];
            out += k[(v >> 12) & 63];
            out += i + 1 < bin.size() ? k[(v >> 6) & 63] : '=';
            out += '=';
        }
        return out;
    }
};
