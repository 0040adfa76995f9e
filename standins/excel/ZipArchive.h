#pragma once
// A zip archive held in memory, as an .xlsx package is: its central directory, and entries stored or
// deflated. Every offset read from the file is checked against the buffer and every entry against
// its CRC, so a damaged archive fails with a reason.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xlsx {

class ZipArchive {
public:
    // Reads the central directory of bytes, which must outlive the archive; nullopt and *error on failure.
    static std::optional<ZipArchive> Open(std::string_view bytes, std::string* error);

    // Names compare ASCII case-insensitively, with or without a leading slash, as package part names do.
    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // The content of an entry; nullopt and *error when it is missing or damaged.
    std::optional<std::string> Read(std::string_view name, std::string* error) const;
    // The names of the entries as the archive spells them, in the order of its directory.
    std::vector<std::string> Names() const;

private:
    struct Entry {
        std::string name, key;
        std::uint16_t flags = 0, method = 0;
        std::uint32_t crc = 0, compressedSize = 0, size = 0, localOffset = 0;
    };

    const Entry* Find(std::string_view name) const;

    std::string_view bytes_;
    std::vector<Entry> entries_;
};

}  // namespace xlsx
