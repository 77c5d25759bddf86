// Quarter-turn counter for spinning a tool's profile in 90-degree steps.
#pragma once

namespace qk {

/// Direction of one 90-degree spin.
enum SPIN_DIRECTION : int {
    SPIN_CLOCKWISE = 0,         ///< sector index + 1
    SPIN_COUNTER_CLOCKWISE = 1  ///< sector index - 1
};

/// Keeps the sector angle index (quarter turns, 0..3) and turns it into an angle in radians.
class SpinAngleTracker {
public:
    /// Starts at sectorIndex as given; an index outside 0..3 has angle 0.
    explicit SpinAngleTracker(int sectorIndex = 0) : m_sectorIndex(sectorIndex) {}

    /// Sets the index to a count of quarter turns taken modulo 4 (so -1 becomes 3 and index + 2 is a
    /// half turn from any sector).
    void SetSectorAngleIndex(int quarterTurns);
    /// The sector index: 0..3, or the out-of-range start given to the constructor.
    int GetSectorAngleIndex() const { return m_sectorIndex; }
    /// The sector's angle in radians: 0, pi/2, pi, -pi/2 for indices 0..3; 0 for any other index.
    double GetAngleRad() const;
    /// Moves one quarter turn, wrapping 3 -> 0 clockwise and 0 -> 3 counter-clockwise; an index
    /// outside 0..3 turns on from sector 0, whose angle it shows. Any other direction value leaves
    /// the index unchanged.
    void Spin90(SPIN_DIRECTION direction);

private:
    int m_sectorIndex = 0;
};

}  // namespace qk
