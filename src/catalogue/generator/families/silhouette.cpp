// The `silhouette` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_silhouette_tables(TableSet&) {}

}  // namespace kinemorphs::generator
