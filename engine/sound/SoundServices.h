#pragma once

#include <cstdint>

class CContentProcessorsManager;
class CSoundFormatRegistry;
class CVirtualFileSystem;
class IAudioDevice;
struct CEngineCreationParams;

// Creates the sound processor ('isnd') and the sound pack processor ('sndp')
// over the audio device and file system `processors` holds, and registers
// them. False when `processors` is null or either type already has a
// processor (the first one stays in charge).
[[nodiscard]] bool registerSoundProcessors(CContentProcessorsManager* processors);

// The sound format registry of the engine managers, created and installed
// there first when they hold none. No reference handed out.
CSoundFormatRegistry* installSoundFormatRegistry();

// The audio device the creation parameters ask for (count 1, owned by the
// caller): the OpenAL device for AudioOpenAL, with its update thread when
// `params.audioThread` is set, else the null device. When the OpenAL device
// cannot be made (a machine without a sound card) or the type is unknown,
// one line is logged and the null device stands in, so the result is never
// null.
[[nodiscard]] IAudioDevice* createAudioDevice(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                              CSoundFormatRegistry* registry);
