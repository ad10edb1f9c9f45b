#include "engine/video/D3D9ShaderRenderers.h"

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/video/CD3D9Driver.h"
#include "engine/video/D3D9MaterialRenderers.h"
#include "engine/video/IShaderConstantCallback.h"

#include <d3dx9shader.h>

#include <cstring>
#include <string>

namespace {

using AssembleFunction = HRESULT(WINAPI*)(LPCSTR, UINT, const D3DXMACRO*, LPD3DXINCLUDE, DWORD, LPD3DXBUFFER*,
                                          LPD3DXBUFFER*);
using CompileFunction = HRESULT(WINAPI*)(LPCSTR, UINT, const D3DXMACRO*, LPD3DXINCLUDE, LPCSTR, LPCSTR, DWORD,
                                         LPD3DXBUFFER*, LPD3DXBUFFER*, LPD3DXCONSTANTTABLE*);

void logLine(const CString& text, int level) { CLog::instance()->log(text, level); }

// The entry points, each looked up once per process: a failed lookup is
// logged once and not tried again.
struct D3DXEntries {
    std::string library = "d3dx9_30.dll";
    AssembleFunction assemble = nullptr;
    CompileFunction compile = nullptr;
    bool assembleFailed = false;
    bool compileFailed = false;
};

D3DXEntries& entries() {
    static D3DXEntries instance;
    return instance;
}

void* lookUp(const char* entry, bool& failed) {
    D3DXEntries& e = entries();
    if (failed)
        return nullptr;
    HMODULE library = LoadLibraryA(e.library.c_str());
    void* function = library ? reinterpret_cast<void*>(GetProcAddress(library, entry)) : nullptr;
    if (!function) {
        failed = true;
        logLine(CString("Could not load shader function ") + entry +
                    " from dll, shaders disabled: " + e.library.c_str(),
                CLog::Error);
    }
    return function;
}

AssembleFunction assembler() {
    D3DXEntries& e = entries();
    if (!e.assemble)
        e.assemble = reinterpret_cast<AssembleFunction>(lookUp("D3DXAssembleShader", e.assembleFailed));
    return e.assemble;
}

CompileFunction compiler() {
    D3DXEntries& e = entries();
    if (!e.compile)
        e.compile = reinterpret_cast<CompileFunction>(lookUp("D3DXCompileShader", e.compileFailed));
    return e.compile;
}

CString bufferText(ID3DXBuffer* buffer) {
    const auto* text = static_cast<const char*>(buffer->GetBufferPointer());
    const size_t size = buffer->GetBufferSize();
    return CString(std::string(text, strnlen(text, size)).c_str());
}

// The assembly shader renderer: its programs over a base type's renderer.
class CD3D9ShaderRenderer : public CD3D9MaterialRenderer {
public:
    CD3D9ShaderRenderer(CD3D9Driver& driver, IShaderConstantCallback* callback, int32_t baseMaterialType,
                        int32_t userData)
        : CD3D9MaterialRenderer(driver), m_callback(CRefHandle<IShaderConstantCallback>::share(callback)),
          m_baseRenderer(CRefHandle<IMaterialTypeRenderer>::share(
              baseMaterialType >= 0 ? driver.materialTypeRenderer(uint32_t(baseMaterialType)) : nullptr)),
          m_userData(userData) {}

    // Builds both programs; true when both built (or were not given).
    bool build(const char* vertexProgram, const char* pixelProgram) {
        return buildAssembly(vertexProgram, true) && buildAssembly(pixelProgram, false);
    }

    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        if (m.materialType != last.materialType || reset) {
            if (m_vertexShader) {
                // Applied again without an unset in between (a full reset,
                // a change of render mode), the device holds this renderer's
                // own shader: the one saved before it stays saved.
                IDirect3DVertexShader9* current = nullptr;
                m_device->GetVertexShader(&current);
                if (current && current == m_vertexShader) {
                    current->Release();
                } else {
                    if (m_savedVertexShader)
                        m_savedVertexShader->Release();
                    m_savedVertexShader = current;
                }
                if (FAILED(m_device->SetVertexShader(m_vertexShader)))
                    logLine("Could not set vertex shader.", CLog::Info);
            }
            if (m_pixelShader && FAILED(m_device->SetPixelShader(m_pixelShader)))
                logLine("Could not set pixel shader.", CLog::Info);
            if (m_baseRenderer)
                m_baseRenderer->setMaterial(m, m, true, services);
        }
        if (m_callback)
            m_callback->noteShaderMaterial(m);
        services->applyBaseStates(m, last, reset);
    }

    bool onRender(IRenderServices* services, VertexType) override {
        if (m_callback && (m_vertexShader || m_pixelShader))
            m_callback->applyShaderConstants(services, m_userData);
        return true;
    }

    void unsetMaterial() override {
        if (m_vertexShader) {
            m_device->SetVertexShader(m_savedVertexShader);
            if (m_savedVertexShader)
                m_savedVertexShader->Release();
            m_savedVertexShader = nullptr;
        }
        if (m_pixelShader)
            m_device->SetPixelShader(nullptr);
        if (m_baseRenderer)
            m_baseRenderer->unsetMaterial();
    }

    [[nodiscard]] bool isTransparent() const override { return m_baseRenderer && m_baseRenderer->isTransparent(); }

protected:
    ~CD3D9ShaderRenderer() override {
        if (m_vertexShader)
            m_vertexShader->Release();
        if (m_pixelShader)
            m_pixelShader->Release();
        if (m_savedVertexShader)
            m_savedVertexShader->Release();
    }

    // Makes the shader from bytecode; false after logging.
    bool createShader(ID3DXBuffer* code, bool vertex, const char* failure) {
        const auto* words = static_cast<const DWORD*>(code->GetBufferPointer());
        const HRESULT result = vertex ? m_device->CreateVertexShader(words, &m_vertexShader)
                                      : m_device->CreatePixelShader(words, &m_pixelShader);
        if (FAILED(result)) {
            if (vertex)
                m_vertexShader = nullptr;
            else
                m_pixelShader = nullptr;
            logLine(failure, CLog::Info);
            return false;
        }
        return true;
    }

    CRefHandle<IShaderConstantCallback> m_callback;
    CRefHandle<IMaterialTypeRenderer> m_baseRenderer;
    IDirect3DVertexShader9* m_vertexShader = nullptr;
    IDirect3DVertexShader9* m_savedVertexShader = nullptr;
    IDirect3DPixelShader9* m_pixelShader = nullptr;
    int32_t m_userData;

private:
    bool buildAssembly(const char* program, bool vertex) {
        if (!program)
            return true;
        AssembleFunction assemble = assembler();
        if (!assemble)
            return false;
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        assemble(program, UINT(std::strlen(program)), nullptr, nullptr, 0, &code, &errors);
        // Warnings come back in the error buffer too: either refuses.
        if (errors) {
            if (vertex) {
                logLine(CString("Vertex shader compilation failed: ") + bufferText(errors), CLog::Warning);
            } else {
                logLine("Pixel shader compilation failed:", CLog::Info);
                logLine(bufferText(errors), CLog::Info);
            }
            errors->Release();
            if (code)
                code->Release();
            return false;
        }
        const char* failure = vertex ? "Could not create vertex shader." : "Could not create pixel shader.";
        if (!code) {
            logLine(failure, CLog::Info);
            return false;
        }
        const bool made = createShader(code, vertex, failure);
        code->Release();
        return made;
    }
};

// The high-level shader renderer: programs compiled from HLSL, with their
// constant tables for named constants.
class CD3D9HighLevelShaderRenderer : public CD3D9ShaderRenderer {
public:
    using CD3D9ShaderRenderer::CD3D9ShaderRenderer;

    bool build(const char* vertexProgram, const char* vertexEntry, int32_t vertexTarget, const char* pixelProgram,
               const char* pixelEntry, int32_t pixelTarget) {
        static const char* const vertexTargets[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_3_0", ""};
        static const char* const pixelTargets[] = {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_0",
                                                   "ps_2_a", "ps_2_b", "ps_3_0", ""};
        if (vertexTarget < 0 || vertexTarget > 4) {
            logLine("Invalid HLSL vertex shader compilation target", CLog::Info);
            return false;
        }
        if (pixelTarget < 0 || pixelTarget > 8) {
            logLine("Invalid HLSL pixel shader compilation target", CLog::Info);
            return false;
        }
        return compile(vertexProgram, vertexEntry, vertexTargets[vertexTarget], true) &&
               compile(pixelProgram, pixelEntry, pixelTargets[pixelTarget], false);
    }

    bool onRender(IRenderServices* services, VertexType vertexType) override {
        if (m_vertexTable)
            m_vertexTable->SetDefaults(m_device);
        return CD3D9ShaderRenderer::onRender(services, vertexType);
    }

    bool setVariable(bool vertexShader, const char* name, const float* data, int32_t count) override {
        ID3DXConstantTable* table = vertexShader ? m_vertexTable : m_pixelTable;
        if (!table || !name)
            return false;
        D3DXHANDLE handle = table->GetConstantByName(nullptr, name);
        if (handle) {
            if (FAILED(table->SetFloatArray(m_device, handle, data, UINT(count)))) {
                logLine("Error setting float array for HLSL variable", CLog::Warning);
                return false;
            }
            return true;
        }
        logLine(CString("HLSL Variable to set not found: '") + name + "'. Available variables are:", CLog::Warning);
        D3DXCONSTANTTABLE_DESC tableDesc;
        if (SUCCEEDED(table->GetDesc(&tableDesc))) {
            for (UINT i = 0; i < tableDesc.Constants; ++i) {
                D3DXHANDLE constant = table->GetConstant(nullptr, i);
                D3DXCONSTANT_DESC desc;
                UINT descCount = 1;
                if (!constant || FAILED(table->GetConstantDesc(constant, &desc, &descCount)))
                    continue;
                logLine(CString("  '") + desc.Name + "' Registers:[begin:" + static_cast<unsigned>(desc.RegisterIndex) +
                            ", count:" + static_cast<unsigned>(desc.RegisterCount) + "]",
                        CLog::Info);
            }
        }
        return false;
    }

protected:
    ~CD3D9HighLevelShaderRenderer() override {
        if (m_vertexTable)
            m_vertexTable->Release();
        if (m_pixelTable)
            m_pixelTable->Release();
    }

private:
    bool compile(const char* program, const char* entry, const char* target, bool vertex) {
        if (!program)
            return true;
        CompileFunction compileShader = compiler();
        if (!compileShader)
            return false;
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        ID3DXConstantTable*& table = vertex ? m_vertexTable : m_pixelTable;
        const HRESULT result = compileShader(program, UINT(std::strlen(program)), nullptr, nullptr, entry ? entry : "",
                                             target, 0, &code, &errors, &table);
        if (FAILED(result)) {
            logLine(vertex ? "HLSL vertex shader compilation failed:" : "HLSL pixel shader compilation failed:",
                    CLog::Info);
            if (errors) {
                logLine(bufferText(errors), CLog::Info);
                errors->Release();
            }
            if (code)
                code->Release();
            return false;
        }
        if (errors)
            errors->Release();
        if (!code)
            return false;
        const bool made = createShader(
            code, vertex, vertex ? "Could not create hlsl vertex shader." : "Could not create hlsl pixel shader.");
        code->Release();
        return made;
    }

    ID3DXConstantTable* m_vertexTable = nullptr;
    ID3DXConstantTable* m_pixelTable = nullptr;
};

} // namespace

void addD3D9AssemblyShaderMaterial(CD3D9Driver& driver, const char* vertexProgram, const char* pixelProgram,
                                   IShaderConstantCallback* callback, int32_t baseMaterialType, int32_t userData) {
    CRefHandle<CD3D9ShaderRenderer> renderer(new CD3D9ShaderRenderer(driver, callback, baseMaterialType, userData));
    if (renderer->build(vertexProgram, pixelProgram))
        (void)driver.addShaderRenderer(renderer.get());
}

void addD3D9HighLevelShaderMaterial(CD3D9Driver& driver, const char* vertexProgram, const char* vertexEntry,
                                    int32_t vertexTarget, const char* pixelProgram, const char* pixelEntry,
                                    int32_t pixelTarget, IShaderConstantCallback* callback, int32_t baseMaterialType,
                                    int32_t userData) {
    CRefHandle<CD3D9HighLevelShaderRenderer> renderer(
        new CD3D9HighLevelShaderRenderer(driver, callback, baseMaterialType, userData));
    if (renderer->build(vertexProgram, vertexEntry, vertexTarget, pixelProgram, pixelEntry, pixelTarget))
        (void)driver.addShaderRenderer(renderer.get());
}

void setD3DXLibraryName(const char* name) {
    entries() = D3DXEntries();
    entries().library = name ? name : "d3dx9_30.dll";
}
