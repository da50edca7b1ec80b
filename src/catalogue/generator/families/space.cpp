// The `space` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_space_tables(TableSet&) {}

}  // namespace kinemorphs::generator
