// The `stick` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_stick_tables(TableSet&) {}

}  // namespace kinemorphs::generator
