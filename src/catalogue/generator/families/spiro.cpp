// The `spiro` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_spiro_tables(TableSet&) {}

}  // namespace kinemorphs::generator
