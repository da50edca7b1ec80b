// The `swing` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_swing_tables(TableSet&) {}

}  // namespace kinemorphs::generator
