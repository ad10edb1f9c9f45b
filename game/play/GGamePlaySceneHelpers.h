#pragma once

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CName.h"
#include "engine/scene/BaseNode.h"
#include "engine/sound/CSoundCueManager.h"

// Lookups the play screen's parts share: HUD nodes one level deep, kept only
// when they are of the class asked for.
namespace playscene {

template <class T> [[nodiscard]] T* as(BaseNode* node) {
    return node && node->isKindOf(T::TypeId) ? static_cast<T*>(node) : nullptr;
}

[[nodiscard]] inline BaseNode* child(const BaseNode* parent, const char* name) {
    return parent ? parent->findChild(CName(name), 1) : nullptr;
}

template <class T> [[nodiscard]] T* childAs(const BaseNode* parent, const char* name) {
    return as<T>(child(parent, name));
}

[[nodiscard]] inline bool isNamed(const BaseNode* node, const char* name) {
    return node && node->getName() == CName(name);
}

[[nodiscard]] inline CSoundCueManager* cueManager() {
    CEngine* engine = findEngineInstance();
    return engine ? engine->getSoundCueManager() : nullptr;
}

// The current player's profile; null without one.
[[nodiscard]] inline CProfileParameters* activePlayer() {
    CEngine* engine = findEngineInstance();
    CProfileManager* profiles = engine ? engine->getProfileManager() : nullptr;
    return profiles ? profiles->getActiveProfile() : nullptr;
}

[[nodiscard]] inline CDictionary* dictionary() { return CEngineManagers::instance().getDictionary(); }

} // namespace playscene
