#pragma once

// Windows only: included by the Direct3D 9 sources alone.

#include <cstdint>

class CD3D9Driver;
class IShaderConstantCallback;

// Shader materials through the D3DX library, looked up on first use: an
// assembly material from vertex and pixel assembly texts (either may be
// null), a high-level one from HLSL texts with entry names and target
// indices (vertex 0 "vs_1_1" to 3 "vs_3_0", 4 none; pixel 0 "ps_1_1" to 7
// "ps_3_0", 8 none). The renderer wraps the base type's renderer for the
// fixed-function states; a material whose programs build takes the next
// free material type, one that does not is logged and dropped.
void addD3D9AssemblyShaderMaterial(CD3D9Driver& driver, const char* vertexProgram, const char* pixelProgram,
                                   IShaderConstantCallback* callback, int32_t baseMaterialType, int32_t userData);
void addD3D9HighLevelShaderMaterial(CD3D9Driver& driver, const char* vertexProgram, const char* vertexEntry,
                                    int32_t vertexTarget, const char* pixelProgram, const char* pixelEntry,
                                    int32_t pixelTarget, IShaderConstantCallback* callback, int32_t baseMaterialType,
                                    int32_t userData);

// The D3DX library the lookups load ("d3dx9_30.dll"); a new name forgets
// the earlier lookups and their failures. For tests.
void setD3DXLibraryName(const char* name);
