// The `rudiment` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_rudiment_tables(TableSet&) {}

}  // namespace kinemorphs::generator
