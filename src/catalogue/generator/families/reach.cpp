// The `reach` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_reach_tables(TableSet&) {}

}  // namespace kinemorphs::generator
