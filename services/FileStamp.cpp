#include "services/FileStamp.h"

#include <bcrypt.h>

#include <vector>

#include "win/UniqueResource.h"

namespace services {

namespace {
// The coarsest time resolution of the file systems a shipping list lives on (FAT, some shares).
constexpr std::uint64_t kTimeResolution = 2 * 10'000'000ULL;
constexpr DWORD kChunk = 1 << 20;

std::uint64_t Ticks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// Opens for reading only, letting others read, write and delete as they please: the operator's Excel or
// another station may have the file open.
win::UniqueFile OpenToRead(const std::wstring& path) {
    return win::UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

struct Facts {
    std::uint64_t size, written;
};

std::optional<Facts> FactsOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return Facts{(std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow, Ticks(info.ftLastWriteTime)};
}

struct AlgorithmTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::BCryptDestroyHash(h); }
};

// SHA-256 of the whole file, read from its start.
template <typename Digest>
std::optional<Digest> DigestOf(HANDLE file) {
    win::UniqueResource<AlgorithmTraits> algorithm;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    win::UniqueResource<HashTraits> hash;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0))) return std::nullopt;

    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::vector<std::uint8_t> buffer(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), kChunk, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), buffer.data(), read, 0))) return std::nullopt;
    }
    Digest digest{};
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return std::nullopt;
    return digest;
}
}  // namespace

std::optional<FileStamp> FileStamp::Before(const std::wstring& path) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    win::UniqueFile file = OpenToRead(path);
    if (!file) return std::nullopt;
    std::optional<Facts> facts = FactsOf(file.get());
    if (!facts) return std::nullopt;
    FileStamp stamp;
    stamp.size_ = facts->size;
    stamp.written_ = facts->written;
    if (facts->written + kTimeResolution >= Ticks(now)) {
        stamp.digest_ = DigestOf<Digest>(file.get());
        if (!stamp.digest_) return std::nullopt;
    }
    return stamp;
}

bool FileStamp::Unchanged(const std::wstring& path) const {
    win::UniqueFile file = OpenToRead(path);
    if (!file) return false;
    std::optional<Facts> facts = FactsOf(file.get());
    if (!facts || facts->size != size_ || facts->written != written_) return false;
    if (!digest_) return true;
    return DigestOf<Digest>(file.get()) == digest_;
}

}  // namespace services
