// The `groove` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_groove_tables(TableSet&) {}

}  // namespace kinemorphs::generator
