#include "engine/video/CGLSLProgramRenderer.h"

#include "engine/core/CLog.h"
#include "engine/video/CGLDriver.h"
#include "engine/video/Material.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Some uniform lists are longer than any program uses; names are short.
constexpr GLint MaxUniformNameLength = 4096;

} // namespace

CGLSLProgramRenderer::~CGLSLProgramRenderer() {
    m_baseRenderer.reset();
    m_callback.reset();
    if (m_program && m_driver->gl().glDeleteObjectARB)
        m_driver->gl().glDeleteObjectARB(m_program);
    m_uniforms.clear();
}

int32_t CGLSLProgramRenderer::create(CGLDriver* driver, const char* vertexProgram, const char* pixelProgram,
                                     IShaderConstantCallback* callback, IMaterialTypeRenderer* baseRenderer,
                                     int32_t userData) {
    if (!driver)
        return -1;
    auto* renderer = new CGLSLProgramRenderer(driver, callback, baseRenderer, userData);
    return registerBuilt(renderer, renderer->build(vertexProgram, pixelProgram));
}

bool CGLSLProgramRenderer::build(const char* vertexProgram, const char* pixelProgram) {
    const CGLFunctions& gl = m_driver->gl();
    if (!m_driver->hasFeature(DriverFeature::ShadingLanguage) || !gl.glCreateProgramObjectARB ||
        !gl.glCreateShaderObjectARB) {
        CLog::instance()->log("GLSL shader program not made: the shading language is not available.", CLog::Info);
        return false;
    }
    m_program = gl.glCreateProgramObjectARB();
    if (!m_program) {
        CLog::instance()->log("GLSL shader program not made: no program object.", CLog::Info);
        return false;
    }
    if (vertexProgram && !compileShader(GL_VERTEX_SHADER_ARB, vertexProgram))
        return false;
    if (pixelProgram && !compileShader(GL_FRAGMENT_SHADER_ARB, pixelProgram))
        return false;
    return link();
}

void CGLSLProgramRenderer::logInfo(GLhandleARB object) const {
    const CGLFunctions& gl = m_driver->gl();
    GLint length = 0;
    gl.glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1)
        return;
    std::vector<GLcharARB> text(static_cast<size_t>(length) + 1, '\0');
    GLsizei written = 0;
    gl.glGetInfoLogARB(object, length, &written, text.data());
    text[static_cast<size_t>(std::clamp<GLsizei>(written, 0, length))] = '\0';
    CLog::instance()->log(text.data(), CLog::Info);
}

bool CGLSLProgramRenderer::compileShader(GLenum stage, const char* text) {
    const CGLFunctions& gl = m_driver->gl();
    GLhandleARB shader = gl.glCreateShaderObjectARB(stage);
    if (!shader) {
        CLog::instance()->log("GLSL shader failed to compile", CLog::Info);
        return false;
    }
    const GLcharARB* source = text;
    gl.glShaderSourceARB(shader, 1, &source, nullptr);
    gl.glCompileShaderARB(shader);
    GLint status = 0;
    gl.glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    if (!status) {
        CLog::instance()->log("GLSL shader failed to compile", CLog::Info);
        logInfo(shader);
        gl.glDeleteObjectARB(shader);
        return false;
    }
    gl.glAttachObjectARB(m_program, shader);
    // Attached, the shader lives as long as the program.
    gl.glDeleteObjectARB(shader);
    return true;
}

bool CGLSLProgramRenderer::link() {
    const CGLFunctions& gl = m_driver->gl();
    gl.glLinkProgramARB(m_program);
    GLint status = 0;
    gl.glGetObjectParameterivARB(m_program, GL_OBJECT_LINK_STATUS_ARB, &status);
    if (!status) {
        CLog::instance()->log("GLSL shader program failed to link", CLog::Info);
        logInfo(m_program);
        return false;
    }
    GLint count = 0;
    gl.glGetObjectParameterivARB(m_program, GL_OBJECT_ACTIVE_UNIFORMS_ARB, &count);
    if (count <= 0)
        return true;
    GLint longest = 0;
    gl.glGetObjectParameterivARB(m_program, GL_OBJECT_ACTIVE_UNIFORM_MAX_LENGTH_ARB, &longest);
    if (longest <= 0) {
        CLog::instance()->log("GLSL: failed to retrieve uniform information", CLog::Info);
        return false;
    }
    longest = std::min(longest, MaxUniformNameLength);
    std::vector<GLcharARB> name(static_cast<size_t>(longest) + 1, '\0');
    m_uniforms.clear();
    for (GLint i = 0; i < count; ++i) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        gl.glGetActiveUniformARB(m_program, static_cast<GLuint>(i), longest, &length, &size, &type, name.data());
        name[static_cast<size_t>(std::clamp<GLsizei>(length, 0, longest))] = '\0';
        m_uniforms.push_back({CString(name.data()), type});
    }
    return true;
}

void CGLSLProgramRenderer::usePrograms() { m_driver->gl().glUseProgramObjectARB(m_program); }

void CGLSLProgramRenderer::stopPrograms() { m_driver->gl().glUseProgramObjectARB(0); }

void CGLSLProgramRenderer::applyBaseStates(const Material& material, const Material& lastMaterial, bool resetAll) {
    m_driver->applyBaseStates(material, lastMaterial, resetAll);
}

void CGLSLProgramRenderer::setVertexShaderConstant(const float*, int32_t, int32_t) {
    CLog::instance()->log("Cannot set constant, please use high level shader call instead.", CLog::Info);
}

bool CGLSLProgramRenderer::setVertexShaderConstant(const char* name, const float* data, int32_t count) {
    return setPixelShaderConstant(name, data, count);
}

void CGLSLProgramRenderer::setPixelShaderConstant(const float*, int32_t, int32_t) {
    CLog::instance()->log("Cannot set constant, use high level shader call.", CLog::Info);
}

bool CGLSLProgramRenderer::setPixelShaderConstant(const char* name, const float* data, int32_t count) {
    if (!name || !data || count < 0)
        return false;
    const Uniform* uniform = nullptr;
    for (const Uniform& candidate : m_uniforms)
        if (std::strcmp(candidate.name.c_str(), name) == 0)
            uniform = &candidate;
    if (!uniform)
        return false;
    const CGLFunctions& gl = m_driver->gl();
    const GLint location = gl.glGetUniformLocationARB(m_program, name);
    switch (uniform->type) {
    case GL_FLOAT:
        gl.glUniform1fvARB(location, count, data);
        break;
    case GL_FLOAT_VEC2_ARB:
        gl.glUniform2fvARB(location, count / 2, data);
        break;
    case GL_FLOAT_VEC3_ARB:
        gl.glUniform3fvARB(location, count / 3, data);
        break;
    case GL_FLOAT_VEC4_ARB:
        gl.glUniform4fvARB(location, count / 4, data);
        break;
    case GL_FLOAT_MAT2_ARB:
        gl.glUniformMatrix2fvARB(location, count / 4, GL_FALSE, data);
        break;
    case GL_FLOAT_MAT3_ARB:
        gl.glUniformMatrix3fvARB(location, count / 9, GL_FALSE, data);
        break;
    case GL_FLOAT_MAT4_ARB:
        gl.glUniformMatrix4fvARB(location, count / 16, GL_FALSE, data);
        break;
    default: {
        // Integers, booleans and samplers: the values, not their bits.
        std::vector<GLint> values(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            const float value = std::isfinite(data[i]) ? std::clamp(data[i], -2147483520.0f, 2147483520.0f) : 0.0f;
            values[static_cast<size_t>(i)] = static_cast<GLint>(value);
        }
        gl.glUniform1ivARB(location, count, values.data());
        break;
    }
    }
    return true;
}

IGraphicsDriver* CGLSLProgramRenderer::driver() { return m_driver; }
