// Reading glTF accessors with every offset, stride and count checked against the buffers: the
// element values (normalised integers scaled, sparse substitutions applied) as floats or indices.
#pragma once
#include "host/guard.hpp"

#include <tiny_gltf.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gorva::host::gltf {

class AccessorReader {
public:
    explicit AccessorReader(const tinygltf::Model &model) : m_model(model) {}

    /// Float elements of `type` (TINYGLTF_TYPE_VEC3 ...), `components` values each; integer
    /// components are scaled when normalised. False with a reason when the accessor is missing, of
    /// another type, lies outside its buffer or holds a value that is not finite.
    bool Floats(int accessor, int type, std::vector<float> &values, std::string &error) const;

    /// Unsigned integer scalars (indices and the host's own records); false with a reason as above.
    bool Integers(int accessor, std::vector<uint32_t> &values, std::string &error) const;

    /// Element count of an accessor, or 0 when there is none or its buffer view could not hold them.
    size_t Count(int accessor) const;

private:
    template <class T>
    bool Read(int accessor, int type, bool integers, std::vector<T> &values, std::string &error) const;
    /// The bytes of a buffer view from `offset`, checked to hold `count` elements `size` bytes
    /// long `stride` bytes apart.
    bool Span(int view, size_t offset, size_t count, size_t size, size_t stride, const unsigned char *&data,
              std::string &error) const;

    const tinygltf::Model &m_model;
};

}  // namespace gorva::host::gltf
