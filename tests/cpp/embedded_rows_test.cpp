// The embedded catalogue rows equal the generated rows file byte for byte,
// and the file holds exactly the rows the records address.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "catalogue/catalogue_record.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: embedded_rows_test ROWS_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    std::size_t rows = 0;
    for (const kinemorphs::CatalogueRecord& record : kinemorphs::catalogue_records()) {
        rows += record.period_pips;
    }
    if (file.size() != rows * 3 * sizeof(double)) {
        std::fprintf(stderr, "rows file has %zu bytes, the records address %zu rows\n", file.size(),
                     rows);
        return 1;
    }
    const auto* embedded = reinterpret_cast<const char*>(kinemorphs_catalogue_rows);
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (embedded[i] != file[i]) {
            std::fprintf(stderr, "embedded rows differ from the file at byte %zu\n", i);
            return 1;
        }
    }
    std::printf("embedded rows equal the file: %zu bytes\n", file.size());
    return 0;
}
