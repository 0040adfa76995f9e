#include "lib/ByteArray.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "lib/RuntimeError.h"

namespace support {

namespace {

void CheckBounds(std::size_t size, std::int32_t lowerBound) {
    constexpr auto kLargestIndex = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max());
    if (size > static_cast<std::size_t>(kLargestIndex) + 1 ||
        static_cast<std::int64_t>(lowerBound) + static_cast<std::int64_t>(size) - 1 > kLargestIndex)
        Fail(errors::kSubscriptOutOfRange);
}

ByteBuffer CopyOf(std::span<const std::uint8_t> bytes) {
    ByteBuffer buffer(bytes.size());
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return buffer;
}

}  // namespace

void ByteBuffer::Free::operator()(std::uint8_t* p) const noexcept { std::free(p); }

ByteBuffer::ByteBuffer(std::size_t size) {
    if (size == 0) return;
    bytes_.reset(static_cast<std::uint8_t*>(std::malloc(size)));
    if (!bytes_) throw std::bad_alloc();
    size_ = size;
}

void ByteBuffer::Shrink(std::size_t size) noexcept {
    if (size >= size_) return;
    if (size == 0) {
        bytes_.reset();
    } else if (void* smaller = std::realloc(bytes_.get(), size)) {
        (void)bytes_.release();
        bytes_.reset(static_cast<std::uint8_t*>(smaller));
    }
    // A failed realloc leaves the block as it was; only the bytes up to `size` count from now on.
    size_ = size;
}

ByteArray::ByteArray(ByteBuffer bytes, std::int32_t lowerBound) : bytes_(std::move(bytes)), lower_(lowerBound) {
    CheckBounds(bytes_.size(), lower_);
}

ByteArray::ByteArray(std::span<const std::uint8_t> bytes, std::int32_t lowerBound) : lower_(lowerBound) {
    CheckBounds(bytes.size(), lower_);
    bytes_ = CopyOf(bytes);
}

ByteArray::ByteArray(std::initializer_list<std::uint8_t> bytes, std::int32_t lowerBound)
    : ByteArray(std::span<const std::uint8_t>(bytes.begin(), bytes.size()), lowerBound) {}

ByteArray::ByteArray(const ByteArray& other) : bytes_(CopyOf(other.Bytes())), lower_(other.lower_) {}

ByteArray& ByteArray::operator=(const ByteArray& other) {
    if (this != &other) {
        bytes_ = CopyOf(other.Bytes());
        lower_ = other.lower_;
    }
    return *this;
}

bool operator==(const ByteArray& a, const ByteArray& b) noexcept {
    return a.lower_ == b.lower_ && a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace support
