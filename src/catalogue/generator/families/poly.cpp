// The `poly` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_poly_tables(TableSet&) {}

}  // namespace kinemorphs::generator
