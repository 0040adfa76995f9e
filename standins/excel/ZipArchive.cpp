#include "standins/excel/ZipArchive.h"

#include <zlib.h>

namespace xlsx {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kEndOfDirectorySize = 22, kDirectoryEntrySize = 46, kLocalHeaderSize = 30;

// Little-endian numbers at offsets that were checked with Fits.
std::uint32_t U16(std::string_view bytes, std::size_t at) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return p[0] | p[1] << 8;
}
std::uint32_t U32(std::string_view bytes, std::size_t at) { return U16(bytes, at) | U16(bytes, at + 2) << 16; }

bool Fits(std::string_view bytes, std::size_t at, std::size_t length) {
    return at <= bytes.size() && length <= bytes.size() - at;
}

std::nullopt_t Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return std::nullopt;
}

std::string Key(std::string_view name) {
    if (!name.empty() && name.front() == '/') name.remove_prefix(1);
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace

std::optional<ZipArchive> ZipArchive::Open(std::string_view bytes, std::string* error) {
    // The end record is the last thing in the file but for its comment (at most 65535 bytes).
    if (bytes.size() < kEndOfDirectorySize) return Fail(error, "not a zip archive");
    std::size_t end = bytes.size() - kEndOfDirectorySize;
    std::size_t stop = end > 0xFFFF ? end - 0xFFFF : 0;
    while (U32(bytes, end) != kEndOfDirectory)
        if (end-- == stop) return Fail(error, "not a zip archive");

    ZipArchive zip;
    zip.bytes_ = bytes;
    std::size_t count = U16(bytes, end + 10), at = U32(bytes, end + 16);
    for (std::size_t i = 0; i < count; ++i) {
        if (!Fits(bytes, at, kDirectoryEntrySize) || U32(bytes, at) != kDirectoryEntry)
            return Fail(error, "the zip directory is damaged");
        std::size_t nameLength = U16(bytes, at + 28);
        if (!Fits(bytes, at + kDirectoryEntrySize, nameLength)) return Fail(error, "the zip directory is damaged");
        Entry e;
        e.flags = static_cast<std::uint16_t>(U16(bytes, at + 8));
        e.method = static_cast<std::uint16_t>(U16(bytes, at + 10));
        e.crc = U32(bytes, at + 16);
        e.compressedSize = U32(bytes, at + 20);
        e.size = U32(bytes, at + 24);
        e.localOffset = U32(bytes, at + 42);
        e.name = bytes.substr(at + kDirectoryEntrySize, nameLength);
        e.key = Key(e.name);
        zip.entries_.push_back(std::move(e));
        at += kDirectoryEntrySize + nameLength + U16(bytes, at + 30) + U16(bytes, at + 32);
    }
    return zip;
}

const ZipArchive::Entry* ZipArchive::Find(std::string_view name) const {
    std::string key = Key(name);
    for (const Entry& e : entries_)
        if (e.key == key) return &e;
    return nullptr;
}

std::vector<std::string> ZipArchive::Names() const {
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.name);
    return names;
}

std::optional<std::string> ZipArchive::Read(std::string_view name, std::string* error) const {
    const Entry* e = Find(name);
    if (!e) return Fail(error, "zip entry missing");
    if ((e->flags & 1) || (e->method != 0 && e->method != 8))
        return Fail(error, "zip entry encrypted or packed otherwise");
    std::size_t local = e->localOffset;
    if (!Fits(bytes_, local, kLocalHeaderSize) || U32(bytes_, local) != kLocalHeader)
        return Fail(error, "zip entry damaged");
    std::size_t data = local + kLocalHeaderSize + U16(bytes_, local + 26) + U16(bytes_, local + 28);
    if (!Fits(bytes_, data, e->compressedSize)) return Fail(error, "zip entry damaged");
    std::string_view packed = bytes_.substr(data, e->compressedSize);

    std::string out;
    if (e->method == 0) {
        out.assign(packed);
    } else {
        // One byte more than recorded, so that data inflating past its recorded size shows.
        out.resize(std::size_t{e->size} + 1);
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) return Fail(error, "cannot inflate");
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        z.avail_in = static_cast<uInt>(packed.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        int status = inflate(&z, Z_FINISH);
        out.resize(z.total_out);
        inflateEnd(&z);
        if (status != Z_STREAM_END) return Fail(error, "zip entry damaged");
    }
    if (out.size() != e->size ||
        crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())) != e->crc)
        return Fail(error, "zip entry fails its CRC check");
    return out;
}

}  // namespace xlsx
