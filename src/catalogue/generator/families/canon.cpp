// The `canon` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_canon_tables(TableSet&) {}

}  // namespace kinemorphs::generator
