// The `tour` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_tour_tables(TableSet&) {}

}  // namespace kinemorphs::generator
