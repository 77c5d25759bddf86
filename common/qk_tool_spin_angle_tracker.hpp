// Quarter-turn counter for spinning a tool's profile in 90-degree steps.
#pragma once

namespace qk {

/// Direction of one 90-degree spin.
enum SPIN_DIRECTION : int {
    SPIN_CLOCKWISE = 0,         ///< sector index + 1
    SPIN_COUNTER_CLOCKWISE = 1  ///< sector index - 1
};

/// Keeps the sector angle index 0..3 (quarter turns) and turns it into an angle in radians.
class SpinAngleTracker {
public:
    /// Starts at sectorIndex, wrapped into 0..3 (so -1 becomes 3).
    explicit SpinAngleTracker(int sectorIndex = 0) { SetSectorAngleIndex(sectorIndex); }

    /// Sets the sector index, wrapped into 0..3.
    void SetSectorAngleIndex(int sectorIndex);
    /// The sector index, 0..3.
    int GetSectorAngleIndex() const { return m_sectorIndex; }
    /// The sector's angle in radians: 0, pi/2, pi, -pi/2 for indices 0..3.
    double GetAngleRad() const;
    /// Moves one quarter turn, wrapping 3 -> 0 clockwise and 0 -> 3 counter-clockwise; any other direction
    /// value leaves the index unchanged.
    void Spin90(SPIN_DIRECTION direction);

private:
    int m_sectorIndex = 0;
};

}  // namespace qk
