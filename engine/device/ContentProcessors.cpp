#include "engine/device/ContentProcessors.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageContentProcessor.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/CFontProcessor.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/sound/SoundServices.h"
#include "engine/video/CAtlasCollectionProcessor.h"
#include "engine/video/CAtlasTextureProcessor.h"
#include "engine/video/CImageTextureProcessor.h"
#include "engine/video/IGraphicsDriver.h"

namespace {

// Registers a new processor, dropping the creation reference.
bool add(CContentProcessorsManager* processors, IContentProcessor* created) {
    CRefHandle<IContentProcessor> processor(created);
    return processors->registerProcessor(processor.get());
}

} // namespace

bool registerContentProcessors(CContentProcessorsManager* processors,
                               std::span<IContentProcessor* const> particleProcessors) {
    if (!processors)
        return false;
    auto* driver = dynamic_cast<IGraphicsDriver*>(processors->getVideoDriver());
    bool all = add(processors, new CImageTextureProcessor(driver));
    all = add(processors, new CAtlasTextureProcessor(driver)) && all;
    all = add(processors, new CAtlasCollectionProcessor(processors->getFileSystem())) && all;
    all = add(processors, new CImageContentProcessor) && all;
    all = CSceneNodeProcessor::registerWith(processors) && all;
    all = add(processors, new CFontProcessor(processors->getFileSystem(), processors->getVideoDriver())) && all;
    for (IContentProcessor* processor : particleProcessors)
        all = processors->registerProcessor(processor) && all;
    all = registerSoundProcessors(processors) && all;
    return all;
}
