// The `weave` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_weave_tables(TableSet&) {}

}  // namespace kinemorphs::generator
