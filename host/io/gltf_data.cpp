#include "host/io/gltf_data.hpp"

#include <cmath>
#include <cstring>
#include <limits>

namespace gorva::host::gltf {

namespace {

size_t ComponentSize(int type) {
    switch (type) {
        case TINYGLTF_COMPONENT_TYPE_BYTE:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
            return 1;
        case TINYGLTF_COMPONENT_TYPE_SHORT:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
            return 2;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        case TINYGLTF_COMPONENT_TYPE_FLOAT:
            return 4;
        default:
            return 0;
    }
}

int ComponentCount(int type) {
    switch (type) {
        case TINYGLTF_TYPE_SCALAR:
            return 1;
        case TINYGLTF_TYPE_VEC2:
            return 2;
        case TINYGLTF_TYPE_VEC3:
            return 3;
        case TINYGLTF_TYPE_VEC4:
            return 4;
        default:
            return 0;
    }
}

template <class T>
T Load(const unsigned char *p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

/// One component as a number; normalised integers scaled to -1..1 or 0..1.
double Component(const unsigned char *p, int type, bool normalized) {
    switch (type) {
        case TINYGLTF_COMPONENT_TYPE_BYTE:
            return normalized ? std::fmax(Load<int8_t>(p) / 127.0, -1.0) : Load<int8_t>(p);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
            return normalized ? Load<uint8_t>(p) / 255.0 : Load<uint8_t>(p);
        case TINYGLTF_COMPONENT_TYPE_SHORT:
            return normalized ? std::fmax(Load<int16_t>(p) / 32767.0, -1.0) : Load<int16_t>(p);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
            return normalized ? Load<uint16_t>(p) / 65535.0 : Load<uint16_t>(p);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
            return Load<uint32_t>(p);
        default:
            return Load<float>(p);
    }
}

// Elements of an accessor without a buffer view are zeros (or sparse values): bounded so that a
// small file cannot ask for an unbounded allocation.
constexpr size_t kMaxUnbackedCount = size_t(1) << 24;

bool IsIntegerType(int type) {
    return type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

}  // namespace

size_t AccessorReader::Count(int accessor) const {
    if (accessor < 0 || size_t(accessor) >= m_model.accessors.size()) return 0;
    const tinygltf::Accessor &a = m_model.accessors[size_t(accessor)];
    size_t element = ComponentSize(a.componentType) * size_t(ComponentCount(a.type));
    if (a.bufferView < 0) return a.count <= kMaxUnbackedCount ? a.count : 0;
    if (element == 0 || size_t(a.bufferView) >= m_model.bufferViews.size()) return 0;
    // Only as many elements as the buffer view can hold count: a count is no promise of data.
    return a.count <= m_model.bufferViews[size_t(a.bufferView)].byteLength / element ? a.count : 0;
}

bool AccessorReader::Span(int view, size_t offset, size_t count, size_t size, size_t stride,
                          const unsigned char *&data, std::string &error) const {
    if (view < 0 || size_t(view) >= m_model.bufferViews.size()) {
        error = "buffer view " + std::to_string(view) + " does not exist";
        return false;
    }
    const tinygltf::BufferView &v = m_model.bufferViews[size_t(view)];
    if (v.buffer < 0 || size_t(v.buffer) >= m_model.buffers.size()) {
        error = "buffer view " + std::to_string(view) + " names buffer " + std::to_string(v.buffer) +
                ", which does not exist";
        return false;
    }
    const auto &bytes = m_model.buffers[size_t(v.buffer)].data;
    if (v.byteOffset > bytes.size() || v.byteLength > bytes.size() - v.byteOffset) {
        error = "buffer view " + std::to_string(view) + " lies beyond the end of buffer " +
                std::to_string(v.buffer) + " (" + std::to_string(v.byteOffset) + " + " +
                std::to_string(v.byteLength) + " bytes of " + std::to_string(bytes.size()) + ")";
        return false;
    }
    // offset + stride * (count - 1) + size <= length, without overflow.
    bool fits = offset <= v.byteLength && size <= v.byteLength - offset &&
                (count <= 1 || (v.byteLength - offset - size) / stride >= count - 1);
    if (!fits) {
        error = "its " + std::to_string(count) + " elements lie beyond the end of buffer view " +
                std::to_string(view);
        return false;
    }
    data = bytes.data() + v.byteOffset + offset;
    return true;
}

template <class T>
bool AccessorReader::Read(int index, int type, bool integers, std::vector<T> &values,
                          std::string &error) const {
    if (index < 0 || size_t(index) >= m_model.accessors.size()) {
        error = "accessor " + std::to_string(index) + " does not exist";
        return false;
    }
    const tinygltf::Accessor &a = m_model.accessors[size_t(index)];
    std::string where = "accessor " + std::to_string(index) + ": ";
    int components = ComponentCount(a.type);
    size_t componentSize = ComponentSize(a.componentType);
    if (a.type != type || components == 0 || componentSize == 0 ||
        (integers && !IsIntegerType(a.componentType))) {
        error = where + "has the wrong type for its use";
        return false;
    }
    size_t elementSize = componentSize * size_t(components);
    if (a.count == 0 || a.count > std::numeric_limits<uint32_t>::max()) {
        error = where + "has a bad element count (" + std::to_string(a.count) + ")";
        return false;
    }
    if (a.bufferView < 0 && a.count > kMaxUnbackedCount) {
        error = where + "has " + std::to_string(a.count) + " elements and no data";
        return false;
    }
    if (a.bufferView >= 0) {
        size_t stride = elementSize;
        if (size_t(a.bufferView) < m_model.bufferViews.size() &&
            m_model.bufferViews[size_t(a.bufferView)].byteStride)
            stride = m_model.bufferViews[size_t(a.bufferView)].byteStride;
        if (stride < elementSize || stride % componentSize != 0) {
            error = where + "its buffer view's stride (" + std::to_string(stride) +
                    ") is too short for its elements";
            return false;
        }
        const unsigned char *data = nullptr;
        if (!Span(a.bufferView, a.byteOffset, a.count, elementSize, stride, data, error)) {
            error = where + error;
            return false;
        }
        values.assign(a.count * size_t(components), T(0));
        for (size_t i = 0; i < a.count; ++i)
            for (int c = 0; c < components; ++c)
                values[i * size_t(components) + size_t(c)] = T(
                    Component(data + i * stride + size_t(c) * componentSize, a.componentType, a.normalized));
    } else
        values.assign(a.count * size_t(components), T(0));
    if (a.sparse.isSparse) {
        const auto &s = a.sparse;
        size_t indexSize = ComponentSize(s.indices.componentType);
        if (s.count <= 0 || size_t(s.count) > a.count || !IsIntegerType(s.indices.componentType) ||
            s.indices.byteOffset < 0 || s.values.byteOffset < 0) {
            error = where + "has a bad sparse substitution";
            return false;
        }
        size_t count = size_t(s.count);
        const unsigned char *indices = nullptr, *data = nullptr;
        if (!Span(s.indices.bufferView, size_t(s.indices.byteOffset), count, indexSize, indexSize, indices,
                  error) ||
            !Span(s.values.bufferView, size_t(s.values.byteOffset), count, elementSize, elementSize, data,
                  error)) {
            error = where + "sparse data: " + error;
            return false;
        }
        double last = -1;
        for (size_t k = 0; k < count; ++k) {
            double at = Component(indices + k * indexSize, s.indices.componentType, false);
            if (at <= last || at >= double(a.count)) {
                error =
                    where + "sparse index " + std::to_string(size_t(at)) + " is out of order or out of range";
                return false;
            }
            last = at;
            for (int c = 0; c < components; ++c)
                values[size_t(at) * size_t(components) + size_t(c)] = T(Component(
                    data + k * elementSize + size_t(c) * componentSize, a.componentType, a.normalized));
        }
    }
    return true;
}

bool AccessorReader::Floats(int accessor, int type, std::vector<float> &values, std::string &error) const {
    if (!Read(accessor, type, false, values, error)) return false;
    for (float v : values)
        if (!std::isfinite(v)) {
            error = "accessor " + std::to_string(accessor) + " holds a value that is not finite";
            return false;
        }
    return true;
}

bool AccessorReader::Integers(int accessor, std::vector<uint32_t> &values, std::string &error) const {
    return Read(accessor, TINYGLTF_TYPE_SCALAR, true, values, error);
}

}  // namespace gorva::host::gltf
