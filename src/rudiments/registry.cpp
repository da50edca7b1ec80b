#include "rudiments/registry.hpp"

#include <stdexcept>
#include <string>

#include "catalogue/catalogue_record.hpp"
#include "rudiments/rudiments.hpp"

namespace kinemorphs {

const std::vector<PatternInfo>& builtin_patterns() {
    static const std::vector<PatternInfo> registry = [] {
        const auto records = catalogue_records();
        std::vector<PatternInfo> infos;
        infos.reserve(default_rudiments.size() + records.size());
        for (const Rudiment& rudiment : default_rudiments) {
            infos.push_back({rudiment.name, rudiment.description, rudiment.period_pips,
                             rudiment.dimensions});
        }
        for (const CatalogueRecord& record : records) {
            infos.push_back({record.name, record.description, record.period_pips,
                             record.dimensions});
        }
        return infos;
    }();
    return registry;
}

Offset3 sample_by_name(std::string_view name, std::int32_t pip) {
    for (const Rudiment& rudiment : default_rudiments) {
        if (rudiment.name == name) {
            return rudiment.function(pip);
        }
    }
    if (const CatalogueRecord* record = find_catalogue_record(name)) {
        return record->sampler(pip);
    }
    throw std::invalid_argument(std::string(unknown_kinemorph_message).append(name));
}

}  // namespace kinemorphs
