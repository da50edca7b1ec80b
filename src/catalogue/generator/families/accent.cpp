// The `accent` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_accent_tables(TableSet&) {}

}  // namespace kinemorphs::generator
