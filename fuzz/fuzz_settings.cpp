// The settings parse: the stored texts of the settings file, read as numbers, intervals, colours
// and strict integers; and the header of the match table file. The input is one stored text, or
// the start of a table file.
#include "services/match_table_file.h"
#include "services/settings_parse.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The strict integer read another way: the text without its outer blanks must be a sign and
// digits only, and its value must fit 32 bits.
std::optional<std::int32_t> plainInteger(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt; // beyond 64 bits
    if (value > (negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1))
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                              : static_cast<std::int64_t>(value));
}

void checkConversions(double value) {
    const std::int64_t rounded = pw2::roundToInt64(value);
    if (std::isnan(value))
        require(rounded == 0, "NaN does not round to 0");
    else if (std::fabs(value) < 9e18)
        require(std::fabs(static_cast<double>(rounded) - value) <= 0.5,
                "a number rounds to a whole number more than a half away");

    const std::int32_t interval = pw2::secondsToInterval(value);
    require(interval >= 0, "a negative interval");
    if (!std::isnan(value) && value >= 0 && value < 2e6)
        require(std::fabs(interval - value * 1000.0) <= 0.5, "an interval is not seconds * 1000");

    const std::uint32_t colour = pw2::colourNumber(value);
    require(colour <= 0xFFFFFF, "a colour beyond 0xFFFFFF");
    if (!std::isnan(value) && value >= 0 && value <= 0xFFFFFF)
        require(colour == static_cast<std::uint32_t>(rounded), "a colour is not its number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double number = pw2::lenientNumber(text);
    require(std::isfinite(number), "the lenient parse gave a number that is not finite");
    require(pw2::lenientNumber(" \t" + std::string(text)) == number,
            "blanks before a number changed it");
    checkConversions(number);

    const std::optional<std::int32_t> strict = pw2::strictInteger(text);
    require(strict == plainInteger(text), "the strict integer parse disagrees with a plain read");
    // A strict integer is also a lenient number, of the same value.
    if (strict)
        require(number == *strict, "the lenient parse misreads a strict integer");

    // The same bytes as the start of a match table file, of its own size and of the size its
    // header claims: a header is taken only when its records fill the file exactly.
    for (const std::uint64_t fileSize : {std::uint64_t(size), std::uint64_t(size) + 16 * 7}) {
        if (const auto header = pw2::parseMatchTableHeader(text, fileSize)) {
            require(header->count >= 0, "a table of a negative number of games");
            // A table of version 1 has the shorter header of its time.
            const bool first =
                text.size() >= 12 && text[8] == 1 && text[9] == 0 && text[10] == 0 && text[11] == 0;
            const std::size_t headerSize =
                first ? pw2::kMatchTableV1HeaderSize : pw2::kMatchTableHeaderSize;
            require(header->recordsAt == headerSize + header->pgnFile.size(),
                    "the records do not follow the path");
            require(header->recordsAt + std::uint64_t(header->count) * 16 == fileSize,
                    "the records do not fill the file");
        }
    }

    // Any double as the parse of a stored number can give.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkConversions(raw);
    }
    return 0;
}
