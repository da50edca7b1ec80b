// The `mech` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_mech_tables(TableSet&) {}

}  // namespace kinemorphs::generator
