// The `ribbon` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_ribbon_tables(TableSet&) {}

}  // namespace kinemorphs::generator
