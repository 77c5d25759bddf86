// The axis-aligned box, in world or mesh coordinates (metres); a flat (2D) box keeps z at 0.
#pragma once

#include "qk_constants.hpp"
#include "qk_vector.hpp"

namespace qk {
namespace math {

/// Axis-aligned 3D box; starts empty with min = 1e37f and max = -1e37f on every axis, so the first
/// point added becomes both. NaN coordinates are ignored by Add.
struct Box {
    Vector3 min{constants::EMPTY_BOX_LIMIT, constants::EMPTY_BOX_LIMIT, constants::EMPTY_BOX_LIMIT};
    Vector3 max{-constants::EMPTY_BOX_LIMIT, -constants::EMPTY_BOX_LIMIT, -constants::EMPTY_BOX_LIMIT};

    /// Widens each axis to include p.
    void Add(const Vector3 &p);
    /// True until a point has been added (some minimum above its maximum).
    bool IsEmpty() const;
    /// Per axis (max - min) * 0.5 + min; (0, 0, 0) on an empty box.
    Vector3 Centre() const;
    /// Per axis max - min; negative on an empty box.
    Vector3 Extent() const;
    /// A corner: bit 0 of index picks max x (set) or min x (clear), bit 1 the y, bit 2 the z; higher bits
    /// are ignored.
    Vector3 Corner(int index) const;
};

}  // namespace math
}  // namespace qk
