#pragma once
// Fills a buffer from an API that reports truncation, growing and retrying until the value fits.
#include <cstddef>
#include <optional>
#include <string>

namespace win {

// fill(buffer, capacity) returns the length written, or nullopt when the buffer was too small.
// Gives up (nullopt) past maxCapacity.
template <typename Char, typename Fill>
std::optional<std::basic_string<Char>> GrowAndRetry(Fill&& fill, std::size_t capacity, std::size_t maxCapacity) {
    std::basic_string<Char> buffer;
    for (; capacity <= maxCapacity; capacity *= 2) {
        buffer.assign(capacity, Char{});
        std::optional<std::size_t> length = fill(buffer.data(), capacity);
        if (length) {
            buffer.resize(*length < capacity ? *length : capacity);
            return buffer;
        }
    }
    return std::nullopt;
}

// For the many Win32 functions that return the length written when the value fits, and a length not
// below the buffer's size (the size they need, or the truncated length) when it does not:
// call(buffer, capacity) returns that length. A failure (0) gives empty text.
template <typename Char, typename Call>
std::optional<std::basic_string<Char>> GrowToFit(Call&& call, std::size_t capacity, std::size_t maxCapacity) {
    return GrowAndRetry<Char>(
        [&](Char* buffer, std::size_t size) -> std::optional<std::size_t> {
            const std::size_t n = call(buffer, size);
            if (n >= size) return std::nullopt;
            return n;
        },
        capacity, maxCapacity);
}

}  // namespace win
