// The `necklace` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_necklace_tables(TableSet&) {}

}  // namespace kinemorphs::generator
