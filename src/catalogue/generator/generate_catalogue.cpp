// Build-time generator of the catalogue's constant data.
//
// Runs every family unit, checks each record and table against the
// catalogue's invariants and writes, in the catalogue order:
//   catalogue_rows.bin  - the rows of all tables, three native doubles each,
//                         in catalogue order, embedded into the module as is;
//   catalogue_data.hpp  - the records (texts; the period and axis count,
//                         both read off the rows; and a sampler bound to the
//                         record's first row and period)
//                         and the name index in ascending byte order.
// Any broken invariant stops the build with a message naming the record.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "catalogue/generator/catalogue_limits.hpp"
#include "catalogue/generator/c_string_literal.hpp"
#include "catalogue/generator/catalogue_metadata.hpp"
#include "catalogue/generator/families.hpp"
#include "rudiments/rudiments.hpp"

namespace kinemorphs::generator {
namespace {

// One unit of the twelfth decimal, the slack granted to tables whose last
// digit depends on the maths library.
constexpr double last_unit = 1e-12;

class RecordError : public std::runtime_error {
public:
    RecordError(const std::string& record, const std::string& problem)
        : std::runtime_error(record + ": " + problem) {}
};

// Decimal rounding of a double to 12 places, as printed and read back; a
// negative zero becomes zero.
double round12(double value) {
    char text[64];
    const auto printed = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 12);
    if (printed.ec != std::errc{}) {
        throw std::runtime_error("cannot print a sample value");
    }
    double parsed = 0.0;
    std::from_chars(text, printed.ptr, parsed);
    return parsed == 0.0 ? 0.0 : parsed;
}

std::string describe_row(std::size_t row, std::size_t axis) {
    return "row " + std::to_string(row) + " axis " + "xyz"[axis];
}

// The axes a table moves: 3 when z ever moves, else 2 when y does, else 1.
int active_axes(const Table& rows) {
    int axes = 1;
    for (const Row& row : rows) {
        if (row[2] != 0.0) {
            return 3;
        }
        if (row[1] != 0.0) {
            axes = 2;
        }
    }
    return axes;
}

// Rounds the table in place and checks every per-table invariant.
void finish_table(const std::string& name, AuthoredTable& authored) {
    Table& rows = authored.rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            double& value = rows[r][axis];
            if (!std::isfinite(value) || value < -1.0 || value > 1.0) {
                throw RecordError(name, describe_row(r, axis) + " is not a finite value in [-1, 1]");
            }
            value = round12(value);
        }
    }
    if (rows.size() < shortest_period || rows.size() > longest_period) {
        throw RecordError(name, "has a period of " + std::to_string(rows.size()) + " rows");
    }
    double largest_step = 0.0;
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double step = std::fabs(rows[r + 1][axis] - rows[r][axis]);
            if (step > max_neighbour_step) {
                throw RecordError(name, "steps " + std::to_string(step) + " at " + describe_row(r, axis));
            }
            largest_step = std::max(largest_step, step);
        }
    }
    double seam_step = 0.0;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        seam_step = std::max(seam_step, std::fabs(rows.front()[axis] - rows.back()[axis]));
    }
    const double slack = authored.last_unit_tolerance ? last_unit * 1.5 : 0.0;
    if (seam_step > largest_step + slack) {
        throw RecordError(name, "does not close: the step from the last row to row 0 (" +
                                    std::to_string(seam_step) +
                                    ") exceeds its largest neighbouring step (" +
                                    std::to_string(largest_step) + ")");
    }
}

void check_names(const std::vector<std::string>& order) {
    std::set<std::string> names;
    for (const Rudiment& rudiment : default_rudiments) {
        names.emplace(rudiment.name);
    }
    for (const std::string& name : order) {
        const bool name_chars = std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        });
        if (name.size() < shortest_name || name.size() > longest_name || !name_chars) {
            throw RecordError(name, "breaks the catalogue name rule");
        }
        if (!names.insert(name).second) {
            throw RecordError(name, "is named twice");
        }
    }
}

void check_description(const std::string& name, const std::string& description) {
    if (description.size() < shortest_description || description.size() > longest_description) {
        throw RecordError(name, "has a description of " + std::to_string(description.size()) +
                                    " bytes");
    }
}

// A C++ string literal holding exactly the bytes of `text`.
std::string literal(const std::string& text) {
    std::string out = "\"";
    append_literal_bytes(out, text);
    return out + "\"";
}

// Families named in `only` (comma-separated), or all when it is empty. A
// partial catalogue lets one family be developed and checked on its own.
bool family_selected(const std::string& name, const std::string& only) {
    if (only.empty()) {
        return true;
    }
    const std::string family = name.substr(0, name.find('_'));
    return ("," + only + ",").find("," + family + ",") != std::string::npos;
}

int run(const std::string& out_dir, const std::string& only) {
    TableSet set;
    for (auto* unit : family_units) {
        unit(set);
    }
    const std::vector<std::string> order = catalogue_order();
    check_names(order);
    const std::set<std::string> known(order.begin(), order.end());
    for (const auto& [name, table] : set.tables()) {
        if (known.count(name) == 0) {
            throw RecordError(name, "has a table but no catalogue record");
        }
        check_description(name, table.description);
    }

    std::ofstream rows_file(out_dir + "/catalogue_rows.bin", std::ios::binary);
    std::vector<const std::string*> emitted;
    std::ostringstream record_lines;
    std::size_t first_row = 0;
    auto tables = set.tables();
    for (const std::string& name : order) {
        if (!family_selected(name, only)) {
            continue;
        }
        const auto found = tables.find(name);
        if (found == tables.end()) {
            // Only an explicitly partial catalogue may lack tables; a full
            // build that silently dropped one would ship without it.
            if (only.empty()) {
                throw RecordError(name, "has a catalogue record but no table");
            }
            continue;
        }
        AuthoredTable& authored = found->second;
        finish_table(name, authored);
        for (const Row& row : authored.rows) {
            rows_file.write(reinterpret_cast<const char*>(row.data()), sizeof(double) * 3);
        }
        record_lines << "    {.name = " << literal(name)
                     << ",\n     .description = " << literal(authored.description)
                     << ",\n     .period_pips = " << authored.rows.size()
                     << ", .dimensions = " << active_axes(authored.rows)
                     << ", .sampler = sample_catalogue_row<" << first_row << ", "
                     << authored.rows.size() << ">},\n";
        first_row += authored.rows.size();
        emitted.push_back(&name);
    }
    if (!rows_file) {
        throw std::runtime_error("cannot write catalogue_rows.bin");
    }
    if (emitted.empty()) {
        throw std::runtime_error("no catalogue table was authored");
    }

    std::vector<std::size_t> by_name(emitted.size());
    std::iota(by_name.begin(), by_name.end(), std::size_t{0});
    std::sort(by_name.begin(), by_name.end(), [&](std::size_t a, std::size_t b) {
        return *emitted[a] < *emitted[b];
    });

    std::ofstream header(out_dir + "/catalogue_data.hpp");
    header << "// Generated at build time by generate_catalogue\n"
              "// (src/catalogue/generator/generate_catalogue.cpp); do not edit.\n"
              "#pragma once\n\n"
              "#include <cstdint>\n\n"
              "#include \"catalogue/catalogue_record.hpp\"\n\n"
              "namespace kinemorphs::catalogue_data {\n\n"
           << "inline constexpr std::size_t row_count = " << first_row << ";\n\n"
           << "inline constexpr CatalogueRecord records[] = {\n"
           << record_lines.str() << "};\n\n"
           << "// Record numbers in ascending byte order of their names.\n"
              "inline constexpr std::uint64_t name_index[] = {\n";
    for (std::size_t i = 0; i < by_name.size(); ++i) {
        header << (i % 12 == 0 ? "    " : " ") << by_name[i] << ","
               << (i % 12 == 11 || i + 1 == by_name.size() ? "\n" : "");
    }
    header << "};\n\n}  // namespace kinemorphs::catalogue_data\n";
    if (!header) {
        throw std::runtime_error("cannot write catalogue_data.hpp");
    }
    std::cout << "catalogue: " << emitted.size() << " of " << order.size() << " records, "
              << first_row << " rows\n";
    return 0;
}

}  // namespace
}  // namespace kinemorphs::generator

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: generate_catalogue OUTPUT_DIRECTORY [FAMILY,...]\n";
        return 2;
    }
    try {
        return kinemorphs::generator::run(argv[1], argc == 3 ? argv[2] : "");
    } catch (const std::exception& error) {
        std::cerr << "catalogue generator: " << error.what() << "\n";
        return 1;
    }
}
