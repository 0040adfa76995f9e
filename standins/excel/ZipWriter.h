#pragma once
// Writes a zip archive as Excel saves a workbook package: each entry deflated, in the order given,
// stamped 1980-01-01 00:00 as Excel stamps its parts. No zip64: entries and archive stay below 4 GiB.
#include <string>
#include <vector>

namespace xlsx {

struct ZipEntry {
    std::string name;  // the part name without a leading slash: "xl/workbook.xml"
    std::string data;
};

// The archive's bytes; throws std::bad_alloc when zlib cannot get its memory.
std::string WriteZip(const std::vector<ZipEntry>& entries);

}  // namespace xlsx
