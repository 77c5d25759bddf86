// The browser page's scene answer read back as the page reads it, for the serve tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace gorva::host::page_test {

struct SceneAnswerMesh {
    std::vector<float> positions;
    std::vector<uint32_t> starts, corners, triangles, owners, edges, lines, dots;
};
struct SceneAnswerItem {
    uint32_t mesh = 0;
    std::array<float, 16> matrix{};
    std::string ident;
};
struct SceneAnswerLight {
    std::array<float, 16> matrix{};
    float width = 0, height = 0, cone = 0;
    std::string ident, name, type;
};
struct SceneAnswer {
    uint32_t magic = 0, version = 0;
    std::vector<SceneAnswerItem> items;
    std::vector<SceneAnswerLight> lights;
    std::vector<SceneAnswerMesh> meshes;
};

/// Throws std::out_of_range when the answer ends early; a failed expectation when bytes are left.
inline SceneAnswer ReadSceneAnswer(const std::string &bytes) {
    SceneAnswer out;
    size_t at = 0;
    auto take = [&](auto &values, size_t count) {
        values.resize(count);
        if (at + count * 4 > bytes.size()) throw std::out_of_range("past the end");
        if (count) std::memcpy(values.data(), bytes.data() + at, count * 4);
        at += count * 4;
    };
    std::vector<uint32_t> header, word;
    std::vector<float> floats;
    auto text = [&](std::string &into) {
        take(word, 1);
        if (at + word[0] > bytes.size()) throw std::out_of_range("past the end");
        into = bytes.substr(at, word[0]);
        at += (word[0] + 3) / 4 * 4;
    };
    auto matrix = [&](std::array<float, 16> &into) {
        take(floats, 16), std::copy(floats.begin(), floats.end(), into.begin());
    };
    take(header, 5);
    out.magic = header[0], out.version = header[1];
    out.meshes.resize(header[2]);
    out.items.resize(header[3]);
    out.lights.resize(header[4]);
    for (SceneAnswerItem &item : out.items) {
        take(word, 1), item.mesh = word[0];
        matrix(item.matrix);
        text(item.ident);
    }
    for (SceneAnswerLight &light : out.lights) {
        matrix(light.matrix);
        take(floats, 3);
        light.width = floats[0], light.height = floats[1], light.cone = floats[2];
        text(light.ident), text(light.name), text(light.type);
    }
    for (SceneAnswerMesh &m : out.meshes) {
        std::vector<uint32_t> c;
        take(c, 7);
        take(m.positions, 3 * size_t(c[0])), take(m.starts, c[1] + size_t(1)), take(m.corners, c[2]);
        take(m.triangles, 3 * size_t(c[3])), take(m.owners, c[3]), take(m.edges, 2 * size_t(c[4]));
        take(m.lines, 2 * size_t(c[5])), take(m.dots, c[6]);
    }
    EXPECT_EQ(at, bytes.size()) << "nothing follows the last mesh";
    return out;
}

}  // namespace gorva::host::page_test
