#include "engine/core/NumberText.h"

#include "engine/core/CArray.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

template <class Ch> bool isDigit(Ch c) { return c >= Ch('0') && c <= Ch('9'); }

template <class Ch> int hexDigitValue(Ch c) {
    if (c >= Ch('0') && c <= Ch('9')) {
        return int(c - Ch('0'));
    }
    if (c >= Ch('a') && c <= Ch('f')) {
        return int(c - Ch('a')) + 10;
    }
    if (c >= Ch('A') && c <= Ch('F')) {
        return int(c - Ch('A')) + 10;
    }
    return -1;
}

template <class Ch> int parseIntT(const Ch* text, const Ch** end) {
    if (!text) {
        if (end) {
            *end = nullptr;
        }
        return 0;
    }
    const Ch* p = text;
    bool negative = false;
    if (*p == Ch('-') || *p == Ch('+')) {
        negative = *p == Ch('-');
        ++p;
    }
    if (!isDigit(*p)) {
        if (end) {
            *end = text;
        }
        return 0;
    }
    // 64 bits hold INT_MAX * 10 + 9, the largest step before saturation.
    int64_t magnitude = 0;
    while (isDigit(*p)) {
        magnitude = magnitude * 10 + int64_t(*p - Ch('0'));
        ++p;
        if (magnitude > INT_MAX) {
            magnitude = INT_MAX;
            break;
        }
    }
    if (end) {
        *end = p;
    }
    const int value = int(magnitude);
    return negative ? -value : value;
}

template <class Ch> float parseDigitsAsFloatT(const Ch* text, const Ch** end) {
    if (!text) {
        if (end) {
            *end = nullptr;
        }
        return 0.0f;
    }
    const Ch* p = text;
    uint32_t whole = 0;
    while (isDigit(*p) && whole <= 429496718u) {
        whole = whole * 10 + uint32_t(*p - Ch('0'));
        ++p;
    }
    float value = float(whole);
    while (isDigit(*p)) {
        value = value * 10.0f + float(*p - Ch('0'));
        ++p;
        if (value > 3.4028235e38f) {
            break;
        }
    }
    if (end) {
        *end = p;
    }
    return value;
}

// Single-precision scales for 0 to 16 fraction digits.
constexpr float kFractionScale[17] = {1e0f,  1e-1f,  1e-2f,  1e-3f,  1e-4f,  1e-5f,  1e-6f,  1e-7f, 1e-8f,
                                      1e-9f, 1e-10f, 1e-11f, 1e-12f, 1e-13f, 1e-14f, 1e-15f, 1e-16f};
constexpr int kMaxTableDigits = 16;

// Fractions longer than the scale table: the leading significant digits in
// double precision, the remaining digits consumed and ignored (they lie far
// below single precision).
template <class Ch> float readLongFraction(const Ch* p, const Ch** end) {
    double significand = 0.0;
    int significantDigits = 0;
    int scaleDigits = 0;
    for (; isDigit(*p); ++p) {
        const int digit = int(*p - Ch('0'));
        if (significantDigits == 0 && digit == 0) {
            // Leading zeros only move the scale; past the smallest double
            // the fraction is 0 anyway.
            if (scaleDigits < 400) {
                ++scaleDigits;
            }
            continue;
        }
        if (significantDigits < 19) {
            significand = significand * 10.0 + digit;
            ++significantDigits;
            ++scaleDigits;
        }
    }
    *end = p;
    return float(significand * std::pow(10.0, -scaleDigits));
}

template <class Ch> const Ch* parseFloatT(const Ch* text, float& value) {
    value = 0.0f;
    if (!text) {
        return nullptr;
    }
    const Ch* p = text;
    const bool negative = *p == Ch('-');
    if (negative) {
        ++p;
    }
    const Ch* digitsStart = p;
    float result = parseDigitsAsFloatT(p, &p);
    bool anyDigits = p != digitsStart;
    if (*p == Ch('.')) {
        const Ch* fractionStart = p + 1;
        const Ch* fractionEnd = fractionStart;
        int digits = 0;
        while (isDigit(fractionStart[digits]) && digits <= kMaxTableDigits) {
            ++digits;
        }
        if (digits <= kMaxTableDigits) {
            const float fraction = parseDigitsAsFloatT(fractionStart, &fractionEnd);
            result += fraction * kFractionScale[fractionEnd - fractionStart];
        } else {
            result += readLongFraction(fractionStart, &fractionEnd);
        }
        if (!anyDigits && fractionEnd == fractionStart) {
            // A bare "." (or "-.") holds no number.
            return text;
        }
        anyDigits = true;
        p = fractionEnd;
    }
    if (!anyDigits) {
        return text;
    }
    if (*p == Ch('e') || *p == Ch('E')) {
        const int exponent = parseIntT(p + 1, &p);
        if (result != 0.0f) {
            // A zero stays zero (0 * inf would be NaN).
            result *= float(std::pow(10.0, exponent));
        }
    }
    value = negative ? -result : result;
    return p;
}

template <class Ch> uint32_t parseHexT(const Ch* text, const Ch** end) {
    if (!text) {
        if (end) {
            *end = nullptr;
        }
        return 0;
    }
    const Ch* p = text;
    uint32_t value = 0;
    for (int digit = hexDigitValue(*p); digit >= 0; digit = hexDigitValue(*p)) {
        if (value > 0x0FFFFFFFu) {
            value = 0xFFFFFFFFu;
            break;
        }
        value = (value << 4) | uint32_t(digit);
        ++p;
    }
    if (end) {
        *end = p;
    }
    return value;
}

// Hands every number of running text to `sink` until the text ends or the
// sink answers false.
template <class Ch, class Sink> void readNumbers(const Ch* text, Sink&& sink) {
    if (!text) {
        return;
    }
    const Ch* p = text;
    while (*p) {
        if (*p != Ch('-') && !isDigit(*p)) {
            ++p;
            continue;
        }
        float value = 0.0f;
        const Ch* next = parseFloatT(p, value);
        // A '-' without digits reads as 0 and is stepped over.
        p = next == p ? p + 1 : next;
        if (!sink(value)) {
            return;
        }
    }
}

template <class Ch> void readFloats(const Ch* text, float* const* out, int count) {
    for (int i = 0; i < count; ++i) {
        *out[i] = 0.0f;
    }
    int index = 0;
    readNumbers(text, [&](float value) {
        *out[index++] = value;
        return index < count;
    });
}

NumberChars formatMagnitude(uint32_t magnitude, bool negative) {
    // Digits from the least significant, right to left in a scratch area.
    char scratch[16];
    int pos = 16;
    do {
        scratch[--pos] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        scratch[--pos] = '-';
    }
    NumberChars out;
    out.length = uint32_t(16 - pos);
    std::memcpy(out.text, scratch + pos, out.length);
    out.text[out.length] = 0;
    return out;
}

} // namespace

int parseInt(const char* text, const char** end) { return parseIntT(text, end); }
int parseInt(const char16_t* text, const char16_t** end) { return parseIntT(text, end); }

float parseDigitsAsFloat(const char* text, const char** end) { return parseDigitsAsFloatT(text, end); }
float parseDigitsAsFloat(const char16_t* text, const char16_t** end) { return parseDigitsAsFloatT(text, end); }

const char* parseFloat(const char* text, float& value) { return parseFloatT(text, value); }
const char16_t* parseFloat(const char16_t* text, float& value) { return parseFloatT(text, value); }

float parseFloat(const char* text) {
    float value = 0.0f;
    parseFloatT(text, value);
    return value;
}

float parseFloat(const char16_t* text) {
    float value = 0.0f;
    parseFloatT(text, value);
    return value;
}

uint32_t parseHex(const char* text, const char** end) { return parseHexT(text, end); }
uint32_t parseHex(const char16_t* text, const char16_t** end) { return parseHexT(text, end); }

void parseFloatPair(const char* text, float& x, float& y) {
    float* const out[] = {&x, &y};
    readFloats(text, out, 2);
}

void parseFloatPair(const char16_t* text, float& x, float& y) {
    float* const out[] = {&x, &y};
    readFloats(text, out, 2);
}

void parseFloat3(const char* text, float& x, float& y, float& z) {
    float* const out[] = {&x, &y, &z};
    readFloats(text, out, 3);
}

void parseFloat3(const char16_t* text, float& x, float& y, float& z) {
    float* const out[] = {&x, &y, &z};
    readFloats(text, out, 3);
}

void parseFloat4(const char* text, float& x, float& y, float& z, float& w) {
    float* const out[] = {&x, &y, &z, &w};
    readFloats(text, out, 4);
}

void parseFloat4(const char16_t* text, float& x, float& y, float& z, float& w) {
    float* const out[] = {&x, &y, &z, &w};
    readFloats(text, out, 4);
}

void parseIntPair(const char* text, int& x, int& y) {
    float fx = 0.0f;
    float fy = 0.0f;
    parseFloatPair(text, fx, fy);
    x = truncateToInt(fx);
    y = truncateToInt(fy);
}

void parseIntPair(const char16_t* text, int& x, int& y) {
    float fx = 0.0f;
    float fy = 0.0f;
    parseFloatPair(text, fx, fy);
    x = truncateToInt(fx);
    y = truncateToInt(fy);
}

CArray<int> parseIntList(const char* text) {
    CArray<int> values;
    readNumbers(text, [&](float value) {
        values.push_back(truncateToInt(value));
        return true;
    });
    return values;
}

CArray<int> parseIntList(const char16_t* text) {
    CArray<int> values;
    readNumbers(text, [&](float value) {
        values.push_back(truncateToInt(value));
        return true;
    });
    return values;
}

int truncateToInt(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    // 2147483648.0f is the first float above INT_MAX; INT_MIN is exact.
    if (value >= 2147483648.0f) {
        return INT_MAX;
    }
    if (value <= -2147483648.0f) {
        return INT_MIN;
    }
    return int(value);
}

NumberChars formatDecimal(int value) {
    // The magnitude in unsigned arithmetic, so INT_MIN needs no negation.
    const uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
    return formatMagnitude(magnitude, value < 0);
}

NumberChars formatDecimal(unsigned value) { return formatMagnitude(value, false); }

NumberChars formatFloat(float value) {
    NumberChars out;
    // -FLT_MAX needs 47 characters; the buffer holds 64.
    const int written = std::snprintf(out.text, sizeof out.text, "%f", double(value));
    uint32_t length = written < 0 ? 0u : uint32_t(written);
    if (length >= sizeof out.text) {
        length = sizeof out.text - 1;
    }
    if (std::memchr(out.text, '.', length)) {
        while (length > 0 && out.text[length - 1] == '0') {
            --length;
        }
        if (length > 0 && out.text[length - 1] == '.') {
            --length;
        }
    }
    out.text[length] = 0;
    out.length = length;
    return out;
}
