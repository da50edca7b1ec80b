// The `lfo` family: slow control shapes over one to four bars.
#include <cmath>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

void add_lfo_tables(TableSet& set) {
    set.add("lfo_breathe", make_table(256, [](int k) {
                return Row{0.8 * std::sin((two_pi * k) / 256), 0.0, 0.0};
            }));
}

}  // namespace kinemorphs::generator
