// The `scan` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_scan_tables(TableSet&) {}

}  // namespace kinemorphs::generator
