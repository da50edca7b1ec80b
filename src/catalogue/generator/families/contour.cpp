// The `contour` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_contour_tables(TableSet&) {}

}  // namespace kinemorphs::generator
