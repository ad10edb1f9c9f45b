#include "engine/video/CGLAsmProgramRenderer.h"

#include "engine/core/CLog.h"
#include "engine/video/CGLDriver.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/Material.h"

#include <cstring>
#include <string>

CGLAsmProgramRenderer::CGLAsmProgramRenderer(CGLDriver* driver, IShaderConstantCallback* callback,
                                             IMaterialTypeRenderer* baseRenderer, int32_t userData)
    : m_driver(driver), m_callback(CRefHandle<IShaderConstantCallback>::share(callback)),
      m_baseRenderer(CRefHandle<IMaterialTypeRenderer>::share(baseRenderer)), m_userData(userData) {}

CGLAsmProgramRenderer::~CGLAsmProgramRenderer() {
    const CGLFunctions& gl = m_driver->gl();
    if (gl.glDeleteProgramsARB) {
        if (m_vertexProgram)
            gl.glDeleteProgramsARB(1, &m_vertexProgram);
        if (m_pixelProgram)
            gl.glDeleteProgramsARB(1, &m_pixelProgram);
    }
}

int32_t CGLAsmProgramRenderer::create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                      IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                      int32_t userData) {
    if (!driver)
        return -1;
    auto* renderer = new CGLAsmProgramRenderer(driver, callback, baseRenderer, userData);
    int32_t index = -1;
    if (renderer->compile(GL_VERTEX_PROGRAM_ARB, vertexProgram, renderer->m_vertexProgram) &&
        renderer->compile(GL_FRAGMENT_PROGRAM_ARB, pixelProgram, renderer->m_pixelProgram))
        index = driver->registerMaterialType(-1, renderer, nullptr);
    renderer->release();
    return index;
}

bool CGLAsmProgramRenderer::compile(GLenum target, const char* text, GLuint& program) {
    if (!text)
        return true;
    const bool vertex = target == GL_VERTEX_PROGRAM_ARB;
    const CGLFunctions& gl = m_driver->gl();
    const bool supported =
        m_driver->hasFeature(vertex ? DriverFeature::ArbVertexProgram : DriverFeature::ArbFragmentProgram) &&
        gl.glGenProgramsARB && gl.glBindProgramARB && gl.glProgramStringARB;
    if (!supported) {
        CLog::instance()->log(vertex ? "Vertex shader compilation failed: assembly vertex programs are not available."
                                     : "Pixel shader compilation failed: assembly fragment programs are not available.",
                              CLog::Info);
        return false;
    }
    gl.glGenProgramsARB(1, &program);
    gl.glBindProgramARB(target, program);
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    gl.glProgramStringARB(target, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<GLsizei>(std::strlen(text)), text);
    if (gl.glGetError() == GL_NO_ERROR)
        return true;
    GLint position = -1;
    gl.glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    const auto* error = reinterpret_cast<const char*>(gl.glGetString(GL_PROGRAM_ERROR_STRING_ARB));
    const std::string format = std::string(vertex ? "Vertex" : "Pixel") + " shader compilation failed at position " +
                               std::to_string(position) + ":\n" + (error ? error : "");
    CLog::instance()->log(format.c_str(), CLog::Info);
    return false;
}

void CGLAsmProgramRenderer::setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                                        IRenderServices* services) {
    const CGLFunctions& gl = m_driver->gl();
    if (resetAll || material.materialType != lastMaterial.materialType) {
        if (m_vertexProgram) {
            gl.glEnable(GL_VERTEX_PROGRAM_ARB);
            gl.glBindProgramARB(GL_VERTEX_PROGRAM_ARB, m_vertexProgram);
        }
        if (m_pixelProgram) {
            gl.glEnable(GL_FRAGMENT_PROGRAM_ARB);
            gl.glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, m_pixelProgram);
        }
        if (m_baseRenderer)
            m_baseRenderer->setMaterial(material, material, true, services);
    }
    if (m_callback)
        m_callback->noteShaderMaterial(material);
    for (uint32_t unit = 0; unit < Material::MaxLayers; ++unit)
        (void)m_driver->setActiveTexture(unit, m_driver->layerTexture(material, unit));
    if (services)
        services->applyBaseStates(material, lastMaterial, resetAll);
}

void CGLAsmProgramRenderer::unsetMaterial() {
    const CGLFunctions& gl = m_driver->gl();
    if (m_vertexProgram)
        gl.glDisable(GL_VERTEX_PROGRAM_ARB);
    if (m_pixelProgram)
        gl.glDisable(GL_FRAGMENT_PROGRAM_ARB);
    if (m_baseRenderer)
        m_baseRenderer->unsetMaterial();
}

bool CGLAsmProgramRenderer::onRender(IRenderServices* services, VertexType) {
    if (m_callback && (m_vertexProgram || m_pixelProgram))
        m_callback->applyShaderConstants(services, m_userData);
    return true;
}

bool CGLAsmProgramRenderer::isTransparent() const { return m_baseRenderer && m_baseRenderer->isTransparent(); }
