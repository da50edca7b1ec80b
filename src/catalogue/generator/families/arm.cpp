// The `arm` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_arm_tables(TableSet&) {}

}  // namespace kinemorphs::generator
