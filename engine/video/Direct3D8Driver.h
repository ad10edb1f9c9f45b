#pragma once

class CClock;
class CVirtualFileSystem;
class IGraphicsDriver;
struct CEngineCreationParams;

// The Direct3D 8 driver (Windows only; type 1, "Direct3D 8.1") drawing into `window` (the
// platform window's opaque handle), with the screen size, colour bits,
// full-screen, vertical sync, stencil and anti-alias requests of `params`.
// "d3d8.dll" is loaded at run time, so the program starts where it is
// missing. `fileSystem` (shared, may be null) opens shader files; `clock`
// (shared, null: a clock of its own) times the frames. One reference for the
// caller, or null after logging why the driver could not start.
[[nodiscard]] IGraphicsDriver* createDirect3D8Driver(const CEngineCreationParams& params,
                                                     CVirtualFileSystem* fileSystem, void* window,
                                                     CClock* clock = nullptr);
