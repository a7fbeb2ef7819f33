#include "services/settings_parse.h"

#include <cmath>
#include <limits>
#include <string>

namespace pw2 {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double lenientNumber(std::string_view text) {
    std::string number; // the number's characters, blanks dropped
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            number += c;
            point = true;
        } else if (!isBlank(c)) {
            break;
        }
    }
    if (!digits)
        return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        while (j < text.size() && isBlank(text[j]))
            ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        bool expDigits = false;
        for (; j < text.size() && (isDigit(text[j]) || isBlank(text[j])); ++j) {
            if (isDigit(text[j])) {
                exponent += text[j];
                expDigits = true;
            }
        }
        if (expDigits)
            number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

std::int64_t roundToInt64(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (rounded >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (rounded <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rounded);
}

std::int32_t secondsToInterval(double seconds) {
    const std::int64_t ms = roundToInt64(seconds * 1000.0);
    if (ms < 0)
        return 0;
    if (ms > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(ms);
}

std::uint32_t colourNumber(double value) {
    const std::int64_t n = roundToInt64(value);
    if (n < 0)
        return 0;
    if (n > 0xFFFFFF)
        return 0xFFFFFF;
    return static_cast<std::uint32_t>(n);
}

std::optional<std::int32_t> strictInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
        if (value > (std::int64_t{1} << 32))
            return std::nullopt;
    }
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (digits == 0 || i != text.size())
        return std::nullopt;
    value = negative ? -value : value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace pw2
