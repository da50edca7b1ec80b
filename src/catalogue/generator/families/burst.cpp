// The `burst` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_burst_tables(TableSet&) {}

}  // namespace kinemorphs::generator
