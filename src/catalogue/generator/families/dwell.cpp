// The `dwell` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_dwell_tables(TableSet&) {}

}  // namespace kinemorphs::generator
