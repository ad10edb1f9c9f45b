#include "game/nodes/GNodeHelpers.h"

#include "engine/content/CContentManager.h"
#include "engine/content/ContentType.h"
#include "engine/core/CStringW.h"
#include "engine/video/CAtlasTexture.h"
#include "game/app/GGameApplication.h"

IContentManager* nodeContentManager(const BaseNode* node) {
    if (const GGameApplication* game = GGameApplication::instance())
        if (CContentManager* content = game->getContentManager())
            return content;
    return node ? node->getContentName().owner() : nullptr;
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
