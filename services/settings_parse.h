// Conversions of stored setting texts. Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pw2 {

// The lenient number parse: the longest leading decimal number of the text (sign, digits, one
// decimal point, an exponent), with blanks before and inside it ignored; 0 when there is none.
double lenientNumber(std::string_view text);

// A number rounded to the nearest whole number, halves to even, clamped to the 64-bit range.
std::int64_t roundToInt64(double value);

// A timer interval in whole milliseconds from a number of seconds: seconds times 1000, rounded,
// clamped to 0 .. 2,147,483,647 (negative values count as 0).
std::int32_t secondsToInterval(double seconds);

// A colour number laid out as 0x00BBGGRR, rounded and clamped to 0 .. 0xFFFFFF.
std::uint32_t colourNumber(double value);

// The strict integer conversion: optional blanks, an optional sign, digits, optional blanks;
// anything else (or a value outside 32 bits) gives no value.
std::optional<std::int32_t> strictInteger(std::string_view text);

} // namespace pw2
