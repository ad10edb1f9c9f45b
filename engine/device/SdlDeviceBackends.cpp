#include "engine/device/SdlDeviceBackends.h"

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/device/CSdlGLContext.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/CPlatformWindowContext.h"
#include "engine/sound/CNullAudioDevice.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/OpenALAudio.h"
#include "engine/video/Direct3D8Driver.h"
#include "engine/video/Direct3D9Driver.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/OpenGLDriver.h"

#include <string>

IGraphicsDriver* createDeviceOpenGLDriver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                          CClock* clock, CPlatformWindow* window) {
    if (!window || !window->isOpen()) {
        CLog::instance()->log("OpenGL needs a window", CLog::Info);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<CPlatformWindowContext> context = window->createGLContext(PlatformGLContextParams{}, &error);
    if (!context) {
        CLog::instance()->log(CString("Can't make an OpenGL context: ") + error.c_str(), CLog::Info);
        return nullptr;
    }
    CRefHandle<CSdlGLContext> shared(new CSdlGLContext(std::move(context)));
    return createOpenGLDriver(params, fileSystem, shared.get(), clock);
}

bool deviceHasDirect3D() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

IGraphicsDriver* createDeviceDirect3D9Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                             CClock* clock, CPlatformWindow* window) {
#ifdef _WIN32
    if (!window || !window->isOpen()) {
        CLog::instance()->log("Direct3D 9 needs a window", CLog::Info);
        return nullptr;
    }
    return createDirect3D9Driver(params, fileSystem, window->handle(), clock);
#else
    (void)params, (void)fileSystem, (void)clock, (void)window;
    CLog::instance()->log("Direct3D 9 exists only on Windows", CLog::Info);
    return nullptr;
#endif
}

IGraphicsDriver* createDeviceDirect3D8Driver(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                             CClock* clock, CPlatformWindow* window) {
#ifdef _WIN32
    if (!window || !window->isOpen()) {
        CLog::instance()->log("Direct3D 8 needs a window", CLog::Info);
        return nullptr;
    }
    return createDirect3D8Driver(params, fileSystem, window->handle(), clock);
#else
    (void)params, (void)fileSystem, (void)clock, (void)window;
    CLog::instance()->log("Direct3D 8 exists only on Windows", CLog::Info);
    return nullptr;
#endif
}

IAudioDevice* createDeviceNullAudio(CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry) {
    return new CNullAudioDevice(fileSystem, registry);
}

IAudioDevice* createDeviceOpenALAudio(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                      CSoundFormatRegistry* registry) {
    return createOpenALAudioDevice(params, fileSystem, registry);
}

CSoundCueManager* createDeviceSoundCueManager(IAudioDevice* device) { return new CSoundCueManager(device); }
