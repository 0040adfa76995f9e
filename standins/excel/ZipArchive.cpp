#include "standins/excel/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace xlsx {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kZip64EndOfDirectory = 0x06064b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;

// Little-endian reads from a bounds-checked window of the archive.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Fits(std::uint64_t offset, std::uint64_t length) const noexcept {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    std::uint16_t U16(std::uint64_t at) const noexcept {
        auto p = reinterpret_cast<const unsigned char*>(bytes_.data()) + at;
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    }
    std::uint32_t U32(std::uint64_t at) const noexcept {
        return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
    }
    std::uint64_t U64(std::uint64_t at) const noexcept {
        return static_cast<std::uint64_t>(U32(at)) | static_cast<std::uint64_t>(U32(at + 4)) << 32;
    }
    std::string_view Slice(std::uint64_t at, std::uint64_t length) const noexcept {
        return bytes_.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
    }
    std::uint64_t size() const noexcept { return bytes_.size(); }

private:
    std::string_view bytes_;
};

std::nullopt_t Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return std::nullopt;
}

// Package part names compare ASCII case-insensitively.
std::string Key(std::string_view name) {
    // A leading slash is how package relationships name a part; the archive stores it without.
    if (!name.empty() && name.front() == '/') name.remove_prefix(1);
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// Finds the end-of-directory record: it sits in the last 22 + 65535 bytes, after which only its comment follows.
std::optional<std::uint64_t> FindEndOfDirectory(const Reader& in) {
    if (in.size() < kEndOfDirectorySize) return std::nullopt;
    std::uint64_t last = in.size() - kEndOfDirectorySize;
    std::uint64_t first = last > 0xFFFF ? last - 0xFFFF : 0;
    for (std::uint64_t at = last + 1; at-- > first;) {
        if (in.U32(at) != kEndOfDirectory) continue;
        if (at + kEndOfDirectorySize + in.U16(at + 20) <= in.size()) return at;
    }
    return std::nullopt;
}

// Replaces the 32-bit fields that overflowed with their values from the zip64 extra field.
bool ApplyZip64Extra(const Reader& in, std::uint64_t extra, std::uint64_t extraLength, std::uint64_t* size,
                     std::uint64_t* compressedSize, std::uint64_t* offset) {
    std::uint64_t end = extra + extraLength;
    while (extra + 4 <= end) {
        std::uint16_t id = in.U16(extra), length = in.U16(extra + 2);
        std::uint64_t data = extra + 4;
        if (data + length > end) return false;
        if (id == 0x0001) {
            std::uint64_t at = data;
            for (std::uint64_t* field : {size, compressedSize, offset}) {
                if (*field != 0xFFFFFFFFu) continue;
                if (at + 8 > data + length) return false;
                *field = in.U64(at);
                at += 8;
            }
            return true;
        }
        extra = data + length;
    }
    return true;
}

}  // namespace

std::optional<ZipArchive> ZipArchive::Open(std::string_view bytes, std::string* error, ZipLimits limits) {
    Reader in(bytes);
    auto eocd = FindEndOfDirectory(in);
    if (!eocd) return Fail(error, "not a zip archive (no end of central directory)");

    std::uint64_t count = in.U16(*eocd + 10);
    std::uint64_t directorySize = in.U32(*eocd + 12);
    std::uint64_t directoryOffset = in.U32(*eocd + 16);
    if (in.U16(*eocd + 4) != 0 || in.U16(*eocd + 6) != 0)
        return Fail(error, "multi-volume zip archives are not supported");

    if (count == 0xFFFF || directorySize == 0xFFFFFFFFu || directoryOffset == 0xFFFFFFFFu) {
        // zip64: the locator sits right before the classic record and points to the 64-bit one.
        if (*eocd < 20 || in.U32(*eocd - 20) != kZip64Locator)
            return Fail(error, "zip64 locator missing");
        std::uint64_t record = in.U64(*eocd - 20 + 8);
        if (!in.Fits(record, 56) || in.U32(record) != kZip64EndOfDirectory)
            return Fail(error, "zip64 end of central directory is damaged");
        count = in.U64(record + 32);
        directorySize = in.U64(record + 40);
        directoryOffset = in.U64(record + 48);
    }
    if (count > limits.maxEntries) return Fail(error, "too many zip entries");
    if (!in.Fits(directoryOffset, directorySize))
        return Fail(error, "central directory lies outside the file");

    ZipArchive zip;
    zip.bytes_ = bytes;
    zip.limits_ = limits;
    zip.entries_.reserve(static_cast<std::size_t>(count));
    std::uint64_t at = directoryOffset;
    std::uint64_t end = directoryOffset + directorySize;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (at + kDirectoryEntrySize > end || in.U32(at) != kDirectoryEntry)
            return Fail(error, "central directory entry is damaged");
        Entry e;
        e.flags = in.U16(at + 8);
        e.method = in.U16(at + 10);
        e.crc = in.U32(at + 16);
        e.compressedSize = in.U32(at + 20);
        e.size = in.U32(at + 24);
        std::uint64_t nameLength = in.U16(at + 28), extraLength = in.U16(at + 30), commentLength = in.U16(at + 32);
        e.localOffset = in.U32(at + 42);
        std::uint64_t next = at + kDirectoryEntrySize + nameLength + extraLength + commentLength;
        if (next > end) return Fail(error, "central directory entry runs past the directory");
        e.name = std::string(in.Slice(at + kDirectoryEntrySize, nameLength));
        if (!ApplyZip64Extra(in, at + kDirectoryEntrySize + nameLength, extraLength, &e.size, &e.compressedSize,
                             &e.localOffset))
            return Fail(error, "zip64 extra field is damaged");
        e.key = Key(e.name);
        zip.entries_.push_back(std::move(e));
        at = next;
    }
    auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    std::sort(zip.entries_.begin(), zip.entries_.end(), byKey);
    auto same = [](const Entry& a, const Entry& b) { return a.key == b.key; };
    if (std::adjacent_find(zip.entries_.begin(), zip.entries_.end(), same) != zip.entries_.end())
        return Fail(error, "duplicate zip entry name");
    return zip;
}

const ZipArchive::Entry* ZipArchive::Find(std::string_view name) const {
    std::string key = Key(name);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Entry& e, const std::string& k) { return e.key < k; });
    return it != entries_.end() && it->key == key ? &*it : nullptr;
}

bool ZipArchive::Has(std::string_view name) const { return Find(name) != nullptr; }

std::optional<std::string> ZipArchive::Read(std::string_view name, std::string* error) {
    const Entry* e = Find(name);
    if (!e) return Fail(error, "zip entry missing");
    if (e->flags & 0x0001) return Fail(error, "zip entry is encrypted");
    if (e->method != 0 && e->method != 8) return Fail(error, "zip entry uses an unsupported compression");
    if (e->size > limits_.maxEntrySize) return Fail(error, "zip entry is larger than the size limit");
    if (e->size > limits_.maxTotalSize - std::min(totalRead_, limits_.maxTotalSize))
        return Fail(error, "zip entries together are larger than the size limit");
    if (e->size > limits_.ratioFloor && e->size / std::max<std::uint64_t>(e->compressedSize, 1) > limits_.maxRatio)
        return Fail(error, "zip entry has an implausible compression ratio");

    Reader in(bytes_);
    if (!in.Fits(e->localOffset, kLocalHeaderSize) || in.U32(e->localOffset) != kLocalHeader)
        return Fail(error, "zip local header is damaged");
    std::uint64_t data = e->localOffset + kLocalHeaderSize + in.U16(e->localOffset + 26) + in.U16(e->localOffset + 28);
    if (!in.Fits(data, e->compressedSize)) return Fail(error, "zip entry data lies outside the file");
    std::string_view packed = in.Slice(data, e->compressedSize);

    std::string out;
    if (e->method == 0) {
        if (e->compressedSize != e->size) return Fail(error, "stored zip entry has inconsistent sizes");
        out.assign(packed);
    } else {
        // The recorded size is trusted only as an upper bound: inflating stops one byte past it.
        out.resize(static_cast<std::size_t>(e->size) + 1);
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) return Fail(error, "cannot start inflating");
        std::uint64_t consumed = 0, produced = 0;
        int status = Z_OK;
        while (status == Z_OK) {
            std::uint64_t inChunk = std::min<std::uint64_t>(packed.size() - consumed, UINT_MAX);
            std::uint64_t outChunk = std::min<std::uint64_t>(out.size() - produced, UINT_MAX);
            if (outChunk == 0) break;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + consumed));
            z.avail_in = static_cast<uInt>(inChunk);
            z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
            z.avail_out = static_cast<uInt>(outChunk);
            status = inflate(&z, Z_NO_FLUSH);
            consumed += inChunk - z.avail_in;
            produced += outChunk - z.avail_out;
            if (status == Z_BUF_ERROR && z.avail_in == 0 && consumed == packed.size()) break;  // input ran out
            if (status == Z_OK && inChunk == z.avail_in && outChunk == z.avail_out) break;     // no progress
        }
        inflateEnd(&z);
        if (produced > e->size) return Fail(error, "zip entry inflates past its recorded size");
        if (status != Z_STREAM_END) return Fail(error, "zip entry's compressed data is damaged");
        if (produced != e->size) return Fail(error, "zip entry is shorter than its recorded size");
        out.resize(static_cast<std::size_t>(produced));
    }
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < out.size();) {
        uInt chunk = static_cast<uInt>(std::min<std::size_t>(out.size() - at, UINT_MAX));
        crc = static_cast<std::uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(out.data() + at), chunk));
        at += chunk;
    }
    if (crc != e->crc) return Fail(error, "zip entry fails its CRC check");
    totalRead_ += out.size();
    return out;
}

}  // namespace xlsx
