#pragma once
// What a file was when a copy was made of its contents, to tell later, without reading it through an
// application again, whether the copy still is what the file holds.
//
// The size and the last-write time must be the same. The time proves the contents only when it lies well
// before the copy: a file written again within the file system's time resolution (2 s on FAT and on some
// network shares) can keep its time stamp. Such a file is compared by a hash of its bytes, taken when the
// copy was made and again when asked.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace services {

class FileStamp {
public:
    // The stamp of the file as a copy of it begins; none when the file cannot be read. Once the copy is
    // made, the stamp stands for it only if the file is still Unchanged: it may have been written meanwhile.
    static std::optional<FileStamp> Before(const std::wstring& path);

    // Whether the file at path is the same as when the stamp was taken.
    bool Unchanged(const std::wstring& path) const;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;

private:
    using Digest = std::array<std::uint8_t, 32>;  // SHA-256

    std::uint64_t size_ = 0;
    std::uint64_t written_ = 0;       // last-write time, in 100-ns units
    std::optional<Digest> digest_;    // only for a file written too close to the copy
};

}  // namespace services
