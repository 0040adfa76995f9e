#include "standins/excel/ZipWriter.h"

#include <zlib.h>

#include <cstdint>
#include <new>

namespace xlsx {

namespace {

constexpr std::uint16_t kVersion = 20;       // 2.0: deflate
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kDate1980 = 0x0021;  // 1980-01-01 in the DOS date format; the time is 00:00

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Raw deflate (no zlib header), as zip entries hold it.
std::string Deflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
    std::string packed(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    int status = deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) throw std::bad_alloc();
    return packed;
}

// The fields a local header and a directory entry share, from "version needed" to the name's length.
void PutCommon(std::string& out, std::uint32_t crc, std::size_t packed, std::size_t size, std::size_t nameLength) {
    Put16(out, kVersion);
    Put16(out, 0);  // flags
    Put16(out, kDeflated);
    Put16(out, 0);  // time
    Put16(out, kDate1980);
    Put32(out, crc);
    Put32(out, static_cast<std::uint32_t>(packed));
    Put32(out, static_cast<std::uint32_t>(size));
    Put16(out, static_cast<std::uint32_t>(nameLength));
    Put16(out, 0);  // extra field
}

}  // namespace

std::string WriteZip(const std::vector<ZipEntry>& entries) {
    std::string out, directory;
    for (const ZipEntry& entry : entries) {
        std::string packed = Deflate(entry.data);
        auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        auto offset = static_cast<std::uint32_t>(out.size());

        Put32(out, 0x04034b50);
        PutCommon(out, crc, packed.size(), entry.data.size(), entry.name.size());
        out += entry.name;
        out += packed;

        Put32(directory, 0x02014b50);
        Put16(directory, kVersion);  // made by
        PutCommon(directory, crc, packed.size(), entry.data.size(), entry.name.size());
        Put16(directory, 0);  // comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, 0);  // external attributes
        Put32(directory, offset);
        directory += entry.name;
    }
    auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put16(out, 0);  // this disk
    Put16(out, 0);  // the directory's disk
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);  // comment
    return out;
}

}  // namespace xlsx
