// The `polar` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_polar_tables(TableSet&) {}

}  // namespace kinemorphs::generator
