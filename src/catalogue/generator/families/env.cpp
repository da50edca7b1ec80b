// The `env` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_env_tables(TableSet&) {}

}  // namespace kinemorphs::generator
