#pragma once

#include <cstdint>

// The OpenAL buffer format of a decoder format code (mono or stereo, 8 or
// 16 bits), or 0 for any other code.
[[nodiscard]] int32_t openALFormatOf(int32_t formatCode);
