// The `akwf` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_akwf_tables(TableSet&) {}

}  // namespace kinemorphs::generator
