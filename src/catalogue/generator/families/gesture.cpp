// The `gesture` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_gesture_tables(TableSet&) {}

}  // namespace kinemorphs::generator
