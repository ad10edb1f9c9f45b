#pragma once

class CSoundFormatRegistry;
class CVirtualFileSystem;
class IAudioDevice;
struct CEngineCreationParams;

// The OpenAL audio device, with its update thread when `params.audioThread`
// is set (count 1, owned by the caller). Null after logging why when it
// cannot be made, and always in a build without OpenAL (there is none for
// Windows here): callers fall back to the null device.
[[nodiscard]] IAudioDevice* createOpenALAudioDevice(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                                    CSoundFormatRegistry* registry);
