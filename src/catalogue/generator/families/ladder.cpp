// The `ladder` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_ladder_tables(TableSet&) {}

}  // namespace kinemorphs::generator
