// The `orbit` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_orbit_tables(TableSet&) {}

}  // namespace kinemorphs::generator
