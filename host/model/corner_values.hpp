// Values of one per-corner map. Most corners of most meshes have none (points and lines read from
// OBJ, meshes never unwrapped), so values start sparse: sorted corner numbers beside their values.
// Once they are dense enough they move to arrays indexed by corner, which end at the last corner
// that has a value; a corner past it costs nothing.
#pragma once
#include "host/guard.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gorva::host {

class CornerValues {
public:
    /// Values of `dim` floats each (at least one).
    explicit CornerValues(unsigned dim = 2) : m_dim(dim ? dim : 1) {}

    /// Floats per value.
    unsigned Dim() const { return m_dim; }
    /// The value at a corner (`Dim()` floats), or null when the corner has none.
    const float *Find(uint32_t corner) const {
        if (!m_dense) return FindSparse(corner);
        return corner < m_hasValue.size() && m_hasValue[corner] ? &m_values[size_t(corner) * m_dim] : nullptr;
    }
    /// Number of corners that have a value.
    size_t Count() const { return m_count; }
    /// Calls `visit(corner, value)` for every corner that has a value, in corner order.
    template <class Visit>
    void ForEach(Visit &&visit) const {
        if (m_dense) {
            for (uint32_t c = 0; c < m_hasValue.size(); ++c)
                if (m_hasValue[c]) visit(c, &m_values[size_t(c) * m_dim]);
            return;
        }
        for (size_t i = 0; i < m_corners.size(); ++i) visit(m_corners[i], &m_values[i * m_dim]);
    }

    /// Gives a corner a value (`Dim()` floats).
    void Set(uint32_t corner, const float *value) {
        // Dense values changed in place or set corner after corner, as a UV fill does: inline.
        if (m_dense && corner < m_hasValue.size()) {
            m_count += m_hasValue[corner] ? 0 : 1;
            m_hasValue[corner] = 1;
            std::copy_n(value, m_dim, &m_values[size_t(corner) * m_dim]);
        } else if (m_dense && corner == m_hasValue.size()) {
            m_hasValue.push_back(1);
            for (unsigned k = 0; k < m_dim; ++k) m_values.push_back(value[k]);
            ++m_count;
        } else {
            SetElsewhere(corner, value);
        }
    }
    /// Takes a corner's value away; nothing when it has none.
    void Clear(uint32_t corner);
    /// Drops the values of every corner at or past `corners`.
    void Truncate(uint32_t corners);
    /// Room for values of `corners` corners in all, taken once the values are dense.
    void Reserve(size_t corners);
    /// Bytes held by the values and their bookkeeping (capacity, not size).
    size_t Bytes() const;

private:
    const float *FindSparse(uint32_t corner) const;
    /// Where a corner sits in the sparse list: its slot, or where it would go.
    size_t SparseSlot(uint32_t corner) const;
    /// Set for sparse values, and for dense ones past their end.
    void SetElsewhere(uint32_t corner, const float *value);
    void InsertSparse(size_t slot, uint32_t corner, const float *value);
    bool DenseEnough(size_t count, uint32_t lastCorner) const;
    void MakeDense(uint32_t lastCorner);
    void MakeSparse();
    void SetDense(uint32_t corner, const float *value);

    unsigned m_dim;
    bool m_dense = false;
    size_t m_count = 0;
    size_t m_reserve = 0;
    std::vector<float> m_values;      // sparse: by slot; dense: by corner
    std::vector<uint32_t> m_corners;  // sparse only: the corners, ascending
    std::vector<uint8_t> m_hasValue;  // dense only: by corner
};

}  // namespace gorva::host
