// The sample tables authored by the family units, each with its record's
// description, keyed by record name.
#pragma once

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kinemorphs::generator {

using Row = std::array<double, 3>;
using Table = std::vector<Row>;

struct AuthoredTable {
    std::string description;
    Table rows;
    // Formula tables whose last stored decimal may move by one unit with the
    // maths library; the closed-loop comparison allows for that unit.
    bool last_unit_tolerance = false;
};

class TableSet {
public:
    void add(const std::string& name, std::string description, Table rows,
             bool last_unit_tolerance = false) {
        if (!tables_.emplace(name, AuthoredTable{std::move(description), std::move(rows),
                                                 last_unit_tolerance})
                 .second) {
            throw std::logic_error("table authored twice: " + name);
        }
    }
    const std::map<std::string, AuthoredTable>& tables() const noexcept { return tables_; }

private:
    std::map<std::string, AuthoredTable> tables_;
};

}  // namespace kinemorphs::generator
