#pragma once

#include <cstdint>

class CClock;
class CPlatformWindow;
class CSoundCueManager;
class CSoundFormatRegistry;
class CVirtualFileSystem;
class IAudioDevice;
class IGraphicsDriver;
struct CEngineCreationParams;

// The drivers the window device makes from other libraries, in one place, so
// that each backend plugs in here and the device's own rules stay apart. Every
// function hands out one reference for the caller, or null after logging why.

// The OpenGL driver drawing into `window`'s own new context. Null when the
// window cannot show OpenGL, the context cannot be made or the driver does
// not start.
[[nodiscard]] IGraphicsDriver* createDeviceOpenGLDriver(const CEngineCreationParams& params,
                                                        CVirtualFileSystem* fileSystem, CClock* clock,
                                                        CPlatformWindow* window);

// The Direct3D 9 driver drawing into `window`. Null where the system has no
// Direct3D 9 (every system but Windows, or a Windows without d3d9.dll) or the
// driver does not start.
// True in the Windows build, the only one with the Direct3D drivers: there
// a driver that cannot be made is an error, elsewhere the expected fallback.
[[nodiscard]] bool deviceHasDirect3D();

[[nodiscard]] IGraphicsDriver* createDeviceDirect3D9Driver(const CEngineCreationParams& params,
                                                           CVirtualFileSystem* fileSystem, CClock* clock,
                                                           CPlatformWindow* window);

// The Direct3D 8 driver drawing into `window`. Null when there is no window
// or the driver does not start (always where the system has no Direct3D 8).
[[nodiscard]] IGraphicsDriver* createDeviceDirect3D8Driver(const CEngineCreationParams& params,
                                                           CVirtualFileSystem* fileSystem, CClock* clock,
                                                           CPlatformWindow* window);
// The silent audio device.
[[nodiscard]] IAudioDevice* createDeviceNullAudio(CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry);
// The OpenAL device, with the update thread when the parameters ask for it.
[[nodiscard]] IAudioDevice* createDeviceOpenALAudio(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                                    CSoundFormatRegistry* registry);

// The engine's sound-cue manager playing through `device` (may be null).
[[nodiscard]] CSoundCueManager* createDeviceSoundCueManager(IAudioDevice* device);
