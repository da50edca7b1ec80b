// The `braid` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_braid_tables(TableSet&) {}

}  // namespace kinemorphs::generator
