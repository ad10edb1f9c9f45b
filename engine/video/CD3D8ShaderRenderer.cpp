#include "engine/video/CD3D8ShaderRenderer.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/video/CD3D8Driver.h"
#include "engine/video/D3D8ShaderAssembler.h"
#include "engine/video/IRenderServices.h"

#include <cstring>

int32_t CD3D8ShaderRenderer::create(CD3D8Driver* driver, const char* vertexProgram, const char* pixelProgram,
                                    IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                    int32_t userData) {
    CRefHandle<CD3D8ShaderRenderer> renderer(new CD3D8ShaderRenderer(driver, callback, baseRenderer, userData));
    if (!renderer->createVertexShader(vertexProgram) || !renderer->createPixelShader(pixelProgram))
        return -1;
    return driver->registerMaterialType(-1, renderer.get(), nullptr);
}

CD3D8ShaderRenderer::CD3D8ShaderRenderer(CD3D8Driver* driver, IShaderConstantCallback* callback,
                                         IMaterialTypeRenderer* baseRenderer, int32_t userData)
    : m_device(driver->device()), m_driver(driver), m_callback(CRefHandle<IShaderConstantCallback>::share(callback)),
      m_baseRenderer(CRefHandle<IMaterialTypeRenderer>::share(baseRenderer)), m_userData(userData) {}

CD3D8ShaderRenderer::~CD3D8ShaderRenderer() {
    m_callback.reset();
    if (m_vertexShader)
        (void)m_device->DeleteVertexShader(m_vertexShader);
    if (m_pixelShader)
        (void)m_device->DeletePixelShader(m_pixelShader);
    m_baseRenderer.reset();
}

bool CD3D8ShaderRenderer::createVertexShader(const char* program) {
    if (!program)
        return true;
    const AssembledShader shader = assembleD3DShader(program, std::strlen(program));
    if (shader.hasErrors) {
        CLog::instance()->log(CString("Vertex shader compilation failed: ") + shader.errors.c_str(), CLog::Warning);
        return false;
    }
    // Stream 0 in the order Direct3D reads a vertex of type 3: position,
    // normal, colour, two coordinate pairs.
    const DWORD declaration[] = {D3DVSD_STREAM(0),
                                 D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                 D3DVSD_REG(1, D3DVSDT_FLOAT3),
                                 D3DVSD_REG(2, D3DVSDT_D3DCOLOR),
                                 D3DVSD_REG(3, D3DVSDT_FLOAT2),
                                 D3DVSD_REG(4, D3DVSDT_FLOAT2),
                                 D3DVSD_END()};
    if (shader.code.empty() ||
        FAILED(m_device->CreateVertexShader(declaration, reinterpret_cast<const DWORD*>(shader.code.data()),
                                            &m_vertexShader, 0))) {
        m_vertexShader = 0;
        CLog::instance()->log("Could not create vertex shader.", CLog::Info);
        return false;
    }
    return true;
}

bool CD3D8ShaderRenderer::createPixelShader(const char* program) {
    if (!program)
        return true;
    const AssembledShader shader = assembleD3DShader(program, std::strlen(program));
    if (shader.hasErrors) {
        CLog::instance()->log("Pixel shader compilation failed:", CLog::Info);
        CLog::instance()->log(shader.errors.c_str(), CLog::Info);
        return false;
    }
    if (shader.code.empty() ||
        FAILED(m_device->CreatePixelShader(reinterpret_cast<const DWORD*>(shader.code.data()), &m_pixelShader))) {
        m_pixelShader = 0;
        CLog::instance()->log("Could not create pixel shader.", CLog::Info);
        return false;
    }
    return true;
}

void CD3D8ShaderRenderer::setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                                      IRenderServices* services) {
    if (material.materialType != lastMaterial.materialType || resetAll) {
        if (m_vertexShader) {
            if (FAILED(m_device->SetVertexShader(m_vertexShader)))
                CLog::instance()->log("Could not set vertex shader.", CLog::Info);
            m_driver->forgetVertexType();
        }
        if (m_pixelShader && FAILED(m_device->SetPixelShader(m_pixelShader)))
            CLog::instance()->log("Could not set pixel shader.", CLog::Info);
        if (m_baseRenderer)
            m_baseRenderer->setMaterial(material, material, true, services);
    }
    if (m_callback)
        m_callback->noteShaderMaterial(material);
    services->applyBaseStates(material, lastMaterial, resetAll);
}

void CD3D8ShaderRenderer::unsetMaterial() {
    if (m_pixelShader)
        (void)m_device->SetPixelShader(0);
    // The device still runs this program: the next draw sets its vertex
    // format again.
    if (m_vertexShader)
        m_driver->forgetVertexType();
    if (m_baseRenderer)
        m_baseRenderer->unsetMaterial();
}

bool CD3D8ShaderRenderer::onRender(IRenderServices* services, VertexType) {
    // The vertex format and the vertex program share one slot of the device:
    // a format the driver set for this draw gives way to the program again.
    if (m_vertexShader && m_driver->currentVertexType() >= 0) {
        if (FAILED(m_device->SetVertexShader(m_vertexShader)))
            CLog::instance()->log("Could not set vertex shader.", CLog::Info);
        m_driver->forgetVertexType();
    }
    if (m_callback && (m_vertexShader || m_pixelShader))
        m_callback->applyShaderConstants(services, m_userData);
    return true;
}

bool CD3D8ShaderRenderer::isTransparent() const { return m_baseRenderer && m_baseRenderer->isTransparent(); }
