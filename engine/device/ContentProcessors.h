#pragma once

#include <span>

class CContentProcessorsManager;
class IContentProcessor;

// Creates the engine's content processors over the services `processors`
// holds (video driver, audio device, file system; the engine's node factory)
// and registers them in the engine's order: image textures, atlas textures,
// atlas collections, images, scene files, fonts, then `particleProcessors`
// (the particle collection and emitter processors, which belong to the
// standard nodes), sounds and sound packs. The game and the tests start the
// content layer through this one routine.
//
// False when `processors` is null or some type already had a processor (the
// first one stays in charge; the others are still registered).
[[nodiscard]] bool registerContentProcessors(CContentProcessorsManager* processors,
                                             std::span<IContentProcessor* const> particleProcessors = {});
