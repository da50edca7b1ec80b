// The `surface` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_surface_tables(TableSet&) {}

}  // namespace kinemorphs::generator
