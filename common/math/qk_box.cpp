#include "qk_box.hpp"

namespace qk {
namespace math {

void Box::Add(const Vector3 &p) {
    for (int i = 0; i < 3; ++i) {
        if (p.v[i] < min.v[i]) min.v[i] = p.v[i];
        if (p.v[i] > max.v[i]) max.v[i] = p.v[i];
    }
}

bool Box::IsEmpty() const {
    return min.x() > max.x() || min.y() > max.y() || min.z() > max.z();
}

Vector3 Box::Centre() const {
    Vector3 c;
    for (int i = 0; i < 3; ++i) c.v[i] = (max.v[i] - min.v[i]) * 0.5 + min.v[i];
    return c;
}

Vector3 Box::Extent() const {
    return max - min;
}

Vector3 Box::Corner(int index) const {
    Vector3 c;
    for (int i = 0; i < 3; ++i) c.v[i] = (index & (1 << i)) ? max.v[i] : min.v[i];
    return c;
}

}  // namespace math
}  // namespace qk
