#include "game/screens/GScreenServices.h"

#include "engine/content/CProfileManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CMat4.h"
#include "game/app/GGameApplication.h"

#include <array>

CProfileParameters* currentPlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

CSoundCueManager* cueManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

CDictionary* dictionary() { return CEngineManagers::instance().getDictionary(); }

GlobalConfig* globalConfig() {
    GGameApplication* game = GGameApplication::instance();
    return game ? game->getGlobalConfig() : nullptr;
}

CMat4 inverseOrZero(const CMat4& matrix) {
    CMat4 inverse;
    if (!matrix.computeInverse(inverse))
        inverse = CMat4(std::array<float, 16>{});
    return inverse;
}
