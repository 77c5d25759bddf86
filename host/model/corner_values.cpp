#include "host/model/corner_values.hpp"

#include <algorithm>

namespace gorva::host {

namespace {
// Past this many values, a value that lands between others makes the values dense rather than
// shifting the sparse list: setting values out of order stays linear.
constexpr size_t kSparseInsertLimit = 4096;
// Up to this many values stay sparse whatever their corners: a first value at corner 0 says
// nothing yet about how dense the rest will be.
constexpr size_t kSparseAlways = 64;

template <class T>
void Release(std::vector<T> &v) {
    std::vector<T>().swap(v);
}
}  // namespace

const float *CornerValues::FindSparse(uint32_t corner) const {
    const size_t slot = SparseSlot(corner);
    return slot < m_corners.size() && m_corners[slot] == corner ? &m_values[slot * m_dim] : nullptr;
}

size_t CornerValues::SparseSlot(uint32_t corner) const {
    // Readers and tools set values corner after corner: most lookups land at the end.
    if (m_corners.empty() || m_corners.back() < corner) return m_corners.size();
    return size_t(std::lower_bound(m_corners.begin(), m_corners.end(), corner) - m_corners.begin());
}

bool CornerValues::DenseEnough(size_t count, uint32_t lastCorner) const {
    // Dense once the arrays by corner take no more room than the sparse list would.
    if (count <= kSparseAlways) return false;
    const uint64_t sparse = uint64_t(count) * (sizeof(uint32_t) + sizeof(float) * m_dim);
    const uint64_t dense = (uint64_t(lastCorner) + 1) * (sizeof(uint8_t) + sizeof(float) * m_dim);
    return sparse >= dense;
}

void CornerValues::SetElsewhere(uint32_t corner, const float *value) {
    if (m_dense) return SetDense(corner, value);
    const size_t slot = SparseSlot(corner);
    if (slot < m_corners.size() && m_corners[slot] == corner) {
        std::copy_n(value, m_dim, &m_values[slot * m_dim]);
        return;
    }
    const uint32_t last = m_corners.empty() ? corner : std::max(corner, m_corners.back());
    const bool between = slot < m_corners.size();
    if (DenseEnough(m_count + 1, last) || (between && m_count >= kSparseInsertLimit)) {
        MakeDense(last);
        return SetDense(corner, value);
    }
    InsertSparse(slot, corner, value);
}

void CornerValues::InsertSparse(size_t slot, uint32_t corner, const float *value) {
    m_corners.insert(m_corners.begin() + std::ptrdiff_t(slot), corner);
    m_values.insert(m_values.begin() + std::ptrdiff_t(slot * m_dim), value, value + m_dim);
    ++m_count;
}

void CornerValues::MakeDense(uint32_t lastCorner) {
    std::vector<uint32_t> corners;
    corners.swap(m_corners);
    const std::vector<float> values(m_values);
    // The arrays keep the room an earlier fill left (a tool evaluated again fills them again).
    const size_t size = size_t(lastCorner) + 1;
    m_values.reserve(std::max(size, m_reserve) * m_dim);
    m_hasValue.reserve(std::max(size, m_reserve));
    m_values.assign(size * m_dim, 0.0f);
    m_hasValue.assign(size, 0);
    for (size_t i = 0; i < corners.size(); ++i) {
        std::copy_n(&values[i * m_dim], m_dim, &m_values[size_t(corners[i]) * m_dim]);
        m_hasValue[corners[i]] = 1;
    }
    m_dense = true;
}

void CornerValues::MakeSparse() {
    std::vector<uint32_t> corners;
    std::vector<float> values;
    corners.reserve(m_count);
    values.reserve(m_count * m_dim);
    ForEach([&](uint32_t c, const float *value) {
        corners.push_back(c);
        values.insert(values.end(), value, value + m_dim);
    });
    m_corners.swap(corners);
    m_values.swap(values);
    Release(m_hasValue);
    m_dense = false;
}

void CornerValues::SetDense(uint32_t corner, const float *value) {
    // A value far past the others: the arrays would be mostly empty, so back to the list (with
    // room to spare, or a map near the limit would switch at every value).
    if (corner >= m_hasValue.size() && !DenseEnough(2 * (m_count + 1), corner)) {
        MakeSparse();
        return InsertSparse(m_corners.size(), corner, value);
    }
    if (corner > m_hasValue.size()) {
        m_hasValue.resize(size_t(corner) + 1, 0);
        m_values.resize(m_hasValue.size() * m_dim, 0.0f);
    }
    if (!m_hasValue[corner]) ++m_count;
    m_hasValue[corner] = 1;
    std::copy_n(value, m_dim, &m_values[size_t(corner) * m_dim]);
}

void CornerValues::Clear(uint32_t corner) {
    if (m_dense) {
        if (corner >= m_hasValue.size() || !m_hasValue[corner]) return;
        m_hasValue[corner] = 0;
        --m_count;
    } else {
        const size_t slot = SparseSlot(corner);
        if (slot >= m_corners.size() || m_corners[slot] != corner) return;
        m_corners.erase(m_corners.begin() + std::ptrdiff_t(slot));
        auto first = m_values.begin() + std::ptrdiff_t(slot * m_dim);
        m_values.erase(first, first + m_dim);
        --m_count;
    }
    if (m_count == 0) Truncate(0);
}

void CornerValues::Truncate(uint32_t corners) {
    if (m_dense && corners < m_hasValue.size()) {
        m_count -= size_t(std::count(m_hasValue.begin() + corners, m_hasValue.end(), uint8_t(1)));
        m_hasValue.resize(corners);
        m_values.resize(size_t(corners) * m_dim);
    } else if (!m_dense) {
        const size_t keep = SparseSlot(corners);
        m_corners.resize(keep);
        m_values.resize(keep * m_dim);
        m_count = keep;
    }
    if (m_count > 0) return;
    // Nothing left: back to the sparse form. The room stays, as undo of a tool's polygons empties
    // the values that its next evaluation sets again.
    m_dense = false;
    m_values.clear();
    m_corners.clear();
    m_hasValue.clear();
}

void CornerValues::Reserve(size_t corners) {
    m_reserve = std::max(m_reserve, corners);
    if (!m_dense) return;
    m_hasValue.reserve(corners);
    m_values.reserve(corners * m_dim);
}

size_t CornerValues::Bytes() const {
    return m_values.capacity() * sizeof(float) + m_corners.capacity() * sizeof(uint32_t) +
           m_hasValue.capacity() * sizeof(uint8_t);
}

}  // namespace gorva::host
