#pragma once

#include <cstdint>

// The node-layout word packs six 4-bit fields, read and written one at a
// time by the layout properties; the low eight bits are other flags.
inline constexpr int kLayoutAlignmentXShift = 28; // signed: 8 to 15 read as -8 to -1
inline constexpr int kLayoutAlignmentYShift = 24;
inline constexpr int kLayoutAnchorXShift = 20;
inline constexpr int kLayoutAnchorYShift = 16;
inline constexpr int kLayoutSizePolicyXShift = 12;
inline constexpr int kLayoutSizePolicyYShift = 8;

// The field at `shift`, 0 to 15.
[[nodiscard]] constexpr int getLayoutField(uint32_t word, int shift) { return int((word >> shift) & 0xFu); }

// The field at `shift` as a signed 4-bit number, -8 to 7.
[[nodiscard]] constexpr int getLayoutFieldSigned(uint32_t word, int shift) {
    const int field = getLayoutField(word, shift);
    return field >= 8 ? field - 16 : field;
}

// `word` with the field at `shift` replaced by the low four bits of `value`;
// every other bit kept.
[[nodiscard]] constexpr uint32_t setLayoutField(uint32_t word, int shift, int value) {
    return (word & ~(0xFu << shift)) | ((uint32_t(value) & 0xFu) << shift);
}
