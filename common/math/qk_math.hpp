// The module's geometry vocabulary in one include: vectors, 4x4 transforms and boxes, all values.
// Lengths in metres, angles in radians; the SDK's LXt* arrays appear only where an SDK call takes them.
#pragma once

#include "qk_box.hpp"
#include "qk_matrix.hpp"
#include "qk_vector.hpp"
