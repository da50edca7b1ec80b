// The `spline` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_spline_tables(TableSet&) {}

}  // namespace kinemorphs::generator
