#pragma once
// A one-dimensional byte array with explicit bounds, as automation clients pass them: the lower
// bound is whatever the caller chose, the upper bound is lower bound + size − 1 (one below the
// lower bound when the array has no elements). Every array the library returns has lower bound 0;
// arrays it is given keep their bounds, because some operations read by absolute index.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <utility>

namespace support {

// The storage of a byte array, and the working buffer the codecs fill: uninitialised bytes on the
// C heap. The codecs allocate for the largest output their input can need and then shrink to what
// they wrote; shrinking with realloc usually stays in place, where copying into a fitting vector
// would cost as much as the conversion itself. Move-only.
class ByteBuffer {
public:
    ByteBuffer() noexcept = default;
    // `size` uninitialised bytes; throws std::bad_alloc.
    explicit ByteBuffer(std::size_t size);
    ByteBuffer(ByteBuffer&& other) noexcept
        : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}
    ByteBuffer& operator=(ByteBuffer&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    std::uint8_t* data() noexcept { return bytes_.get(); }
    const std::uint8_t* data() const noexcept { return bytes_.get(); }
    std::size_t size() const noexcept { return size_; }

    // Keeps the first `size` bytes (no more than there are) and gives the rest back to the heap.
    void Shrink(std::size_t size) noexcept;

private:
    struct Free {
        void operator()(std::uint8_t* p) const noexcept;
    };
    std::unique_ptr<std::uint8_t[], Free> bytes_;
    std::size_t size_ = 0;
};

class ByteArray {
public:
    // No elements, lower bound 0, upper bound −1.
    ByteArray() noexcept = default;
    // The arrays below fail with error 9 when their upper bound would not fit a 32-bit index.
    explicit ByteArray(ByteBuffer bytes, std::int32_t lowerBound = 0);
    explicit ByteArray(std::span<const std::uint8_t> bytes, std::int32_t lowerBound = 0);
    ByteArray(std::initializer_list<std::uint8_t> bytes, std::int32_t lowerBound = 0);

    ByteArray(const ByteArray& other);
    ByteArray& operator=(const ByteArray& other);
    ByteArray(ByteArray&& other) noexcept = default;
    ByteArray& operator=(ByteArray&& other) noexcept = default;

    std::int32_t LowerBound() const noexcept { return lower_; }
    // Lower bound + size − 1; the constructors keep it within 32 bits.
    std::int32_t UpperBound() const noexcept {
        return static_cast<std::int32_t>(static_cast<std::int64_t>(lower_) + static_cast<std::int64_t>(size()) - 1);
    }
    std::size_t size() const noexcept { return bytes_.size(); }
    bool empty() const noexcept { return bytes_.size() == 0; }

    // Whether an absolute index lies within the bounds.
    bool Contains(std::int64_t index) const noexcept {
        return index >= lower_ && index - lower_ < static_cast<std::int64_t>(size());
    }

    // The elements in order, from the lower bound up.
    std::span<const std::uint8_t> Bytes() const noexcept { return {bytes_.data(), size()}; }
    const std::uint8_t* data() const noexcept { return bytes_.data(); }

    // Same bounds and same elements.
    friend bool operator==(const ByteArray& a, const ByteArray& b) noexcept;

private:
    ByteBuffer bytes_;
    std::int32_t lower_ = 0;
};

}  // namespace support
