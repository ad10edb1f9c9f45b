#pragma once

class CClock;
class CVirtualFileSystem;
class IGLContext;
class IGraphicsDriver;
struct CEngineCreationParams;

// The OpenGL driver on `context` (shared; the window device passes its
// window's context, tests a hidden one), with the screen size, vertical
// sync and stencil request of `params`. `fileSystem` (shared, may be null)
// opens shader files; `clock` (shared, null: a clock of its own) times the
// frames. One reference for the caller, or null after logging why the
// driver could not start.
[[nodiscard]] IGraphicsDriver* createOpenGLDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                                  IGLContext* context, CClock* clock = nullptr);
