#pragma once

// The GL headers are used for their types, constants and prototypes only:
// every function is called through a pointer fetched from the context, so
// nothing links against a GL library and a missing function is a null
// pointer rather than a failed start.
#if defined(_WIN32)
// Declared here, the Windows GL header needs nothing of the Windows API.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif
#include <GL/gl.h>
#include <GL/glext.h>

class IGLContext;

// OpenGL 1.1 functions: every GL implementation has them.
#define BM_GL_CORE_FUNCTIONS(X)                                                                                        \
    X(glAlphaFunc)                                                                                                     \
    X(glBegin)                                                                                                         \
    X(glBindTexture)                                                                                                   \
    X(glBlendFunc)                                                                                                     \
    X(glClear)                                                                                                         \
    X(glClearColor)                                                                                                    \
    X(glClearDepth)                                                                                                    \
    X(glClearStencil)                                                                                                  \
    X(glClipPlane)                                                                                                     \
    X(glColor4ub)                                                                                                      \
    X(glColorMask)                                                                                                     \
    X(glColorMaterial)                                                                                                 \
    X(glColorPointer)                                                                                                  \
    X(glCopyTexSubImage2D)                                                                                             \
    X(glCullFace)                                                                                                      \
    X(glDeleteTextures)                                                                                                \
    X(glDepthFunc)                                                                                                     \
    X(glDepthMask)                                                                                                     \
    X(glDisable)                                                                                                       \
    X(glDisableClientState)                                                                                            \
    X(glDrawArrays)                                                                                                    \
    X(glDrawBuffer)                                                                                                    \
    X(glDrawElements)                                                                                                  \
    X(glEnable)                                                                                                        \
    X(glEnableClientState)                                                                                             \
    X(glEnd)                                                                                                           \
    X(glFlush)                                                                                                         \
    X(glFogf)                                                                                                          \
    X(glFogfv)                                                                                                         \
    X(glFogi)                                                                                                          \
    X(glFrontFace)                                                                                                     \
    X(glGenTextures)                                                                                                   \
    X(glGetError)                                                                                                      \
    X(glGetFloatv)                                                                                                     \
    X(glGetIntegerv)                                                                                                   \
    X(glGetString)                                                                                                     \
    X(glGetTexImage)                                                                                                   \
    X(glHint)                                                                                                          \
    X(glLightModelfv)                                                                                                  \
    X(glLightModeli)                                                                                                   \
    X(glLightf)                                                                                                        \
    X(glLightfv)                                                                                                       \
    X(glLineWidth)                                                                                                     \
    X(glLoadIdentity)                                                                                                  \
    X(glLoadMatrixf)                                                                                                   \
    X(glMaterialf)                                                                                                     \
    X(glMaterialfv)                                                                                                    \
    X(glMatrixMode)                                                                                                    \
    X(glNormalPointer)                                                                                                 \
    X(glPixelStorei)                                                                                                   \
    X(glPointSize)                                                                                                     \
    X(glPolygonMode)                                                                                                   \
    X(glReadBuffer)                                                                                                    \
    X(glReadPixels)                                                                                                    \
    X(glScissor)                                                                                                       \
    X(glShadeModel)                                                                                                    \
    X(glStencilFunc)                                                                                                   \
    X(glStencilMask)                                                                                                   \
    X(glStencilOp)                                                                                                     \
    X(glTexCoord2f)                                                                                                    \
    X(glTexCoordPointer)                                                                                               \
    X(glTexEnvf)                                                                                                       \
    X(glTexEnvi)                                                                                                       \
    X(glTexGeni)                                                                                                       \
    X(glTexImage2D)                                                                                                    \
    X(glTexParameterf)                                                                                                 \
    X(glTexParameteri)                                                                                                 \
    X(glTexSubImage2D)                                                                                                 \
    X(glTranslatef)                                                                                                    \
    X(glVertex2f)                                                                                                      \
    X(glVertex3f)                                                                                                      \
    X(glVertexPointer)                                                                                                 \
    X(glViewport)

// Later and extension functions: the pointer type, the member (the name
// asked for first) and the core name asked for when the first is unknown
// (empty: none). Whether one may be used follows from the version and the
// extension list, never from the pointer alone.
#define BM_GL_EXTENSION_FUNCTIONS(X)                                                                                   \
    X(PFNGLACTIVETEXTUREARBPROC, glActiveTextureARB, "glActiveTexture")                                                \
    X(PFNGLCLIENTACTIVETEXTUREARBPROC, glClientActiveTextureARB, "glClientActiveTexture")                              \
    X(PFNGLGENPROGRAMSARBPROC, glGenProgramsARB, "")                                                                   \
    X(PFNGLBINDPROGRAMARBPROC, glBindProgramARB, "")                                                                   \
    X(PFNGLPROGRAMSTRINGARBPROC, glProgramStringARB, "")                                                               \
    X(PFNGLDELETEPROGRAMSARBPROC, glDeleteProgramsARB, "")                                                             \
    X(PFNGLPROGRAMLOCALPARAMETER4FVARBPROC, glProgramLocalParameter4fvARB, "")                                         \
    X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB, "")                                                     \
    X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB, "")                                                                 \
    X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB, "")                                                               \
    X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB, "")                                                   \
    X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB, "")                                                                 \
    X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB, "")                                                                   \
    X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB, "")                                                         \
    X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB, "")                                                                 \
    X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB, "")                                                                     \
    X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB, "")                                                 \
    X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB, "")                                                     \
    X(PFNGLUNIFORM4FVARBPROC, glUniform4fvARB, "")                                                                     \
    X(PFNGLUNIFORM1IVARBPROC, glUniform1ivARB, "")                                                                     \
    X(PFNGLUNIFORM1FVARBPROC, glUniform1fvARB, "")                                                                     \
    X(PFNGLUNIFORM2FVARBPROC, glUniform2fvARB, "")                                                                     \
    X(PFNGLUNIFORM3FVARBPROC, glUniform3fvARB, "")                                                                     \
    X(PFNGLUNIFORMMATRIX2FVARBPROC, glUniformMatrix2fvARB, "")                                                         \
    X(PFNGLUNIFORMMATRIX3FVARBPROC, glUniformMatrix3fvARB, "")                                                         \
    X(PFNGLUNIFORMMATRIX4FVARBPROC, glUniformMatrix4fvARB, "")                                                         \
    X(PFNGLGETACTIVEUNIFORMARBPROC, glGetActiveUniformARB, "")                                                         \
    X(PFNGLPOINTPARAMETERFARBPROC, glPointParameterfARB, "glPointParameterf")                                          \
    X(PFNGLPOINTPARAMETERFVARBPROC, glPointParameterfvARB, "glPointParameterfv")                                       \
    X(PFNGLSTENCILFUNCSEPARATEPROC, glStencilFuncSeparate, "")                                                         \
    X(PFNGLSTENCILOPSEPARATEPROC, glStencilOpSeparate, "")                                                             \
    X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT, "")                                                           \
    X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT, "")                                                     \
    X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT, "")                                                           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT, "")                                             \
    X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT, "")                                                 \
    X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT, "")                                                         \
    X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT, "")                                                   \
    X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT, "")                                                         \
    X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT, "")                                                   \
    X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT, "")                                           \
    X(PFNGLGENBUFFERSARBPROC, glGenBuffersARB, "glGenBuffers")                                                         \
    X(PFNGLBINDBUFFERARBPROC, glBindBufferARB, "glBindBuffer")                                                         \
    X(PFNGLBUFFERDATAARBPROC, glBufferDataARB, "glBufferData")                                                         \
    X(PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB, "glDeleteBuffers")                                                \
    X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex, "")                                                                 \
    X(PFNGLPROVOKINGVERTEXEXTPROC, glProvokingVertexEXT, "")

// The GL entry points of one context, fetched through it. Members carry the
// GL names: `gl.glClear(...)`.
struct CGLFunctions {
#define BM_GL_DECLARE_CORE(name) decltype(&::name) name = nullptr;
#define BM_GL_DECLARE_EXTENSION(type, name, fallback) type name = nullptr;
    BM_GL_CORE_FUNCTIONS(BM_GL_DECLARE_CORE)
    BM_GL_EXTENSION_FUNCTIONS(BM_GL_DECLARE_EXTENSION)
#undef BM_GL_DECLARE_CORE
#undef BM_GL_DECLARE_EXTENSION

    // Fetches every entry point through `context`. False when an OpenGL 1.1
    // function is missing (the later ones may be null).
    [[nodiscard]] bool load(IGLContext& context);
};
