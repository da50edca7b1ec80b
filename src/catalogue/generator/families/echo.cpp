// The `echo` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_echo_tables(TableSet&) {}

}  // namespace kinemorphs::generator
