// The `rhythm` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_rhythm_tables(TableSet&) {}

}  // namespace kinemorphs::generator
