#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the shader assembler made of a program text.
struct AssembledShader {
    // The assembler answered with an error buffer (errors or warnings).
    bool hasErrors = false;
    std::string errors;
    // The program's tokens; empty when nothing was made.
    std::vector<uint32_t> code;
};

// Assembles a vertex or pixel program text (vs_1_1, ps_1_x) into the tokens
// Direct3D 8 creates shaders from, through the system's D3DX assembler,
// loaded on first use. Without an assembler the result has errors saying so.
[[nodiscard]] AssembledShader assembleD3DShader(const char* text, size_t length);
