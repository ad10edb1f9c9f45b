#include "engine/video/D3D8ShaderAssembler.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <d3dx9shader.h>
#include <windows.h>

#include <cstring>

namespace {

using AssembleFunction = HRESULT(WINAPI*)(LPCSTR, UINT, const D3DXMACRO*, LPD3DXINCLUDE, DWORD, LPD3DXBUFFER*,
                                          LPD3DXBUFFER*);

// The assembler of the newest D3DX library found; looked up once, the
// library never freed.
AssembleFunction assembler() {
    static const AssembleFunction function = [] {
        for (const char* name : {"d3dx9_43.dll", "d3dx9_42.dll", "d3dx9_41.dll", "d3dx9_40.dll", "d3dx9_30.dll"}) {
            if (HMODULE library = LoadLibraryA(name))
                if (FARPROC entry = GetProcAddress(library, "D3DXAssembleShader"))
                    return reinterpret_cast<AssembleFunction>(reinterpret_cast<void*>(entry));
        }
        return AssembleFunction(nullptr);
    }();
    return function;
}

} // namespace

AssembledShader assembleD3DShader(const char* text, size_t length) {
    AssembledShader result;
    const AssembleFunction assemble = assembler();
    if (!assemble) {
        result.hasErrors = true;
        result.errors = "no shader assembler (D3DX) on this system";
        return result;
    }
    LPD3DXBUFFER code = nullptr;
    LPD3DXBUFFER errors = nullptr;
    (void)assemble(text, UINT(length), nullptr, nullptr, 0, &code, &errors);
    if (errors) {
        result.hasErrors = true;
        const char* message = static_cast<const char*>(errors->GetBufferPointer());
        result.errors.assign(message, strnlen(message, errors->GetBufferSize()));
        errors->Release();
    }
    if (code) {
        const size_t words = code->GetBufferSize() / sizeof(uint32_t);
        result.code.resize(words);
        std::memcpy(result.code.data(), code->GetBufferPointer(), words * sizeof(uint32_t));
        code->Release();
    }
    return result;
}
