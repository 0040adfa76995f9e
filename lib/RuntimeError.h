#pragma once
// The run-time error of the support library: a number, the source that raised it and a
// description. It is the only exception the library's operations let escape.
#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "lib/Text.h"

namespace support {

// Error numbers, as automation clients know them.
namespace errors {
inline constexpr std::int32_t kInvalidCall = 5;          // invalid procedure call or argument
inline constexpr std::int32_t kOverflow = 6;             // overflow
inline constexpr std::int32_t kOutOfMemory = 7;          // out of memory
inline constexpr std::int32_t kSubscriptOutOfRange = 9;  // subscript out of range
inline constexpr std::int32_t kTypeMismatch = 13;        // type mismatch
}  // namespace errors

// The standard description of an error number, in the program's language.
inline Text StandardDescription(std::int32_t number) {
    switch (number) {
        case errors::kInvalidCall: return u"无效的过程调用或参数";
        case errors::kOverflow: return u"溢出";
        case errors::kOutOfMemory: return u"内存溢出";
        case errors::kSubscriptOutOfRange: return u"下标越界";
        case errors::kTypeMismatch: return u"类型不匹配";
        default: return u"应用程序定义的错误或对象定义的错误";
    }
}

class RuntimeError : public std::exception {
public:
    RuntimeError(std::int32_t number, Text source, Text description)
        : number_(number),
          source_(std::move(source)),
          description_(std::move(description)),
          what_("run-time error " + std::to_string(number)) {}
    // An error with its standard description; the source is filled in by the operation that lets it out.
    explicit RuntimeError(std::int32_t number, Text source = {})
        : RuntimeError(number, std::move(source), StandardDescription(number)) {}

    std::int32_t Number() const noexcept { return number_; }
    const Text& Source() const noexcept { return source_; }
    const Text& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::int32_t number_;
    Text source_;
    Text description_;
    std::string what_;
};

// Raises the run-time error `number` with its standard description.
[[noreturn]] inline void Fail(std::int32_t number) { throw RuntimeError(number); }

// Runs one public operation on behalf of `source`: errors raised by shared helpers get the
// operation's source, and running out of memory becomes error 7, so that nothing but a
// RuntimeError leaves the library.
template <typename Body>
decltype(auto) RunOperation(const char16_t* source, Body&& body) {
    try {
        return body();
    } catch (const RuntimeError& e) {
        if (!e.Source().empty()) throw;
        throw RuntimeError(e.Number(), source, e.Description());
    } catch (const std::bad_alloc&) {
        throw RuntimeError(errors::kOutOfMemory, source);
    } catch (const std::length_error&) {
        throw RuntimeError(errors::kOutOfMemory, source);
    }
}

}  // namespace support
