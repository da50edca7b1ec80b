// The `ease` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_ease_tables(TableSet&) {}

}  // namespace kinemorphs::generator
