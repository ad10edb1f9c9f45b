#pragma once

class CClock;
class CVirtualFileSystem;
class IGraphicsDriver;
struct CEngineCreationParams;

// The Direct3D 9 driver (Windows only) drawing into `window` (the native
// window handle), with the screen size, colour bits, vertical sync, stencil
// and full-screen request of `params`. "d3d9.dll" is loaded at run time: on
// a machine without it the driver logs why and this answers null, so the
// device can fall back to another driver. `fileSystem` (shared, may be
// null) opens shader files; `clock` (shared, null: a clock of its own)
// times the frames. One reference for the caller, or null.
[[nodiscard]] IGraphicsDriver* createDirect3D9Driver(const CEngineCreationParams& params,
                                                     CVirtualFileSystem* fileSystem, void* window,
                                                     CClock* clock = nullptr);
