// The `wave` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_wave_tables(TableSet&) {}

}  // namespace kinemorphs::generator
