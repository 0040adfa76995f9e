#pragma once
// A read-only zip archive held in memory: the central directory, and stored or deflated entries.
// Every offset and length read from the file is checked against the buffer before use, and
// inflated output is capped, so a damaged or hostile archive fails with a reason instead of
// crashing, hanging or filling the memory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xlsx {

struct ZipLimits {
    std::uint64_t maxEntrySize = 256ull << 20;    // one inflated entry
    std::uint64_t maxTotalSize = 512ull << 20;    // all entries read from one archive together
    std::uint64_t maxRatio = 1000;                 // inflated : compressed, for entries over ratioFloor
    std::uint64_t ratioFloor = 1ull << 20;
    std::size_t maxEntries = 65536;
};

class ZipArchive {
public:
    // Reads the central directory of bytes (which must outlive the archive). On failure returns
    // nullopt and sets *error.
    static std::optional<ZipArchive> Open(std::string_view bytes, std::string* error, ZipLimits limits = {});

    // Whether an entry of that name exists; names compare ASCII case-insensitively, as package part names do.
    bool Has(std::string_view name) const;
    // The inflated content of an entry, checked against its recorded size and CRC-32.
    std::optional<std::string> Read(std::string_view name, std::string* error);

    std::size_t size() const noexcept { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        std::string key;  // lower-case name without a leading slash
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t size = 0;
        std::uint64_t localOffset = 0;
    };

    const Entry* Find(std::string_view name) const;

    std::string_view bytes_;
    std::vector<Entry> entries_;
    ZipLimits limits_;
    std::uint64_t totalRead_ = 0;
};

}  // namespace xlsx
