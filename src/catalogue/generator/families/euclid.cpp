// The `euclid` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_euclid_tables(TableSet&) {}

}  // namespace kinemorphs::generator
