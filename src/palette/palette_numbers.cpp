#include "palette/palette_numbers.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "console/rounding.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {
namespace {

constexpr int kMaxEntries = 256;
constexpr int kMaxComponent = 255;
// Exponents are saturated here while scanning; anything this large already
// lies far outside the range of a double.
constexpr long kExponentCap = 100000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string WithoutBlanksAndTabs(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t') {
            compact.push_back(c);
        }
    }
    return compact;
}

std::size_t SkipDigits(const std::string& s, std::size_t pos) {
    while (pos < s.size() && IsDigit(s[pos])) {
        ++pos;
    }
    return pos;
}

// The decimal exponent of the leading significant digit of "digits[.digits]eN",
// used only to tell an overflow from an underflow when the number is out of
// range of a double.
long LeadingMagnitude(const std::string& s, std::size_t begin, std::size_t point,
                      std::size_t mantissaEnd, long exponent) {
    for (std::size_t i = begin; i < mantissaEnd; ++i) {
        if (IsDigit(s[i]) && s[i] != '0') {
            const long position =
                i < point ? static_cast<long>(point - i) - 1 : -static_cast<long>(i - point);
            return position + exponent;
        }
    }
    return 0;
}

}  // namespace

int RoundedWithin(double value, int low, int high) {
    if (!(value >= low)) {  // also catches NaN
        return low;
    }
    if (value >= high) {
        return high;
    }
    // low <= value < high, so the rounded value lies within [low, high].
    return console::RoundHalfEven(value).value_or(low);
}

double NumericValue(std::string_view text) {
    const std::string s = WithoutBlanksAndTabs(text);
    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        negative = s[pos] == '-';
        ++pos;
    }
    const std::size_t begin = pos;
    pos = SkipDigits(s, pos);
    std::size_t point = pos;
    bool anyDigit = pos > begin;
    if (pos < s.size() && s[pos] == '.') {
        const std::size_t fractionEnd = SkipDigits(s, pos + 1);
        if (fractionEnd > pos + 1) {
            anyDigit = true;
        }
        pos = fractionEnd;
    }
    if (!anyDigit) {
        return 0.0;
    }
    const std::size_t mantissaEnd = pos;

    long exponent = 0;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        std::size_t p = pos + 1;
        bool negativeExponent = false;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
            negativeExponent = s[p] == '-';
            ++p;
        }
        if (p < s.size() && IsDigit(s[p])) {
            for (; p < s.size() && IsDigit(s[p]); ++p) {
                exponent = std::min(exponent * 10 + (s[p] - '0'), kExponentCap);
            }
            if (negativeExponent) {
                exponent = -exponent;
            }
            pos = p;
        }
    }

    double magnitude = 0.0;
    const auto [end, error] =
        std::from_chars(s.data() + begin, s.data() + pos, magnitude, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        const bool overflow = LeadingMagnitude(s, begin, point, mantissaEnd, exponent) > 0;
        magnitude = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end != s.data() + pos) {
        return 0.0;
    }
    return negative ? -magnitude : magnitude;
}

int EntryCount(std::string_view line) {
    return RoundedWithin(NumericValue(line), 0, kMaxEntries);
}

int ColourComponent(std::string_view field) {
    return RoundedWithin(NumericValue(field), 0, kMaxComponent);
}

}  // namespace orrisbay::quake_palette
