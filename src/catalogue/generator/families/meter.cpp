// The `meter` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_meter_tables(TableSet&) {}

}  // namespace kinemorphs::generator
