// Axis-aligned 3D bounding box in the host's world or mesh coordinates (metres).
#pragma once

namespace qk {

/// Axis-aligned 3D box (min x, y, z, then max x, y, z); starts empty with min = 1e37f and max = -1e37f
/// on every axis. Outputs are LXtVectors. NaN coordinates are ignored by Add.
class AABB3 {
public:
    AABB3() { Reset(); }

    /// Empties the box.
    void Reset();
    /// Widens each axis to include p (single precision, widened to double).
    void Add(const float *p);
    /// Widens each axis to include p.
    void Add(const double *p);
    /// Widens each axis to include (x, y, z).
    void Add(double x, double y, double z);

    /// True until a point has been added (some minimum above its maximum).
    bool IsEmpty() const;

    /// out = the minimum corner; the sentinel 1e37f on an empty box.
    void Pmin(double *out) const;
    /// out = the maximum corner; the sentinel -1e37f on an empty box.
    void Pmax(double *out) const;
    /// out = per axis (max - min) * 0.5 + min; (0, 0, 0) on an empty box.
    void GetCenter(double *out) const;
    /// out = a corner: bit 0 of index picks max x (set) or min x (clear), bit 1 the y, bit 2 the z; higher
    /// bits are ignored.
    void Corner(int index, double *out) const;

private:
    double m_min[3];
    double m_max[3];
};

}  // namespace qk
