// A three-component displacement: x lateral, y vertical, z depth.
#pragma once

namespace kinemorphs {

struct Offset3 {
    double x;
    double y;
    double z;
};

}  // namespace kinemorphs
