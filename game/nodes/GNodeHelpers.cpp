#include "game/nodes/GNodeHelpers.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CStringW.h"
#include "engine/video/CAtlasTexture.h"

IContentManager* nodeContentManager(const BaseNode* node) {
    if (!node)
        return nullptr;
    if (IContentManager* owner = node->getContentName().owner())
        return owner;
    const BaseNode* scene = node->getOwnerScene<BaseNode>();
    return scene ? scene->getContentName().owner() : nullptr;
}

CRefHandle<CAtlasTexture> loadAtlasTexture(IContentManager* manager, const CStringW& name) {
    if (!manager || name.empty())
        return CRefHandle<CAtlasTexture>();
    IContent* loaded = manager->load(ContentTypeAtlasTexture, name, true);
    CAtlasTexture* texture = dynamic_cast<CAtlasTexture*>(loaded);
    if (!texture && loaded)
        loaded->release();
    return CRefHandle<CAtlasTexture>(texture);
}
