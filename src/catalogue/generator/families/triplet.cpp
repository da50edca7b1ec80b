// The `triplet` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_triplet_tables(TableSet&) {}

}  // namespace kinemorphs::generator
