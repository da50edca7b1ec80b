// The `path` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_path_tables(TableSet&) {}

}  // namespace kinemorphs::generator
