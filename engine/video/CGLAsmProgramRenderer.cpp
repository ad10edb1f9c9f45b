#include "engine/video/CGLAsmProgramRenderer.h"

#include "engine/core/CLog.h"
#include "engine/video/CGLDriver.h"

#include <cstring>
#include <string>

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
    const bool built = renderer->compile(GL_VERTEX_PROGRAM_ARB, vertexProgram, renderer->m_vertexProgram) &&
                       renderer->compile(GL_FRAGMENT_PROGRAM_ARB, pixelProgram, renderer->m_pixelProgram);
    return registerBuilt(renderer, built);
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

void CGLAsmProgramRenderer::usePrograms() {
    const CGLFunctions& gl = m_driver->gl();
    if (m_vertexProgram) {
        gl.glEnable(GL_VERTEX_PROGRAM_ARB);
        gl.glBindProgramARB(GL_VERTEX_PROGRAM_ARB, m_vertexProgram);
    }
    if (m_pixelProgram) {
        gl.glEnable(GL_FRAGMENT_PROGRAM_ARB);
        gl.glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, m_pixelProgram);
    }
}

void CGLAsmProgramRenderer::stopPrograms() {
    const CGLFunctions& gl = m_driver->gl();
    if (m_vertexProgram)
        gl.glDisable(GL_VERTEX_PROGRAM_ARB);
    if (m_pixelProgram)
        gl.glDisable(GL_FRAGMENT_PROGRAM_ARB);
}
