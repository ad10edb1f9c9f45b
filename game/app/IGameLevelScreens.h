#pragma once

class CStringW;
class SceneNode;

// What the loading screen asks of the level scene and the play screen,
// whose classes live in libraries above this one and implement these.
class ILevelSceneStart {
public:
    // True when the level has its headquarters building.
    [[nodiscard]] virtual bool hasHeadquarters() const = 0;

protected:
    ~ILevelSceneStart() = default;
};

class IPlaySceneStart {
public:
    // Binds `levelScene` (loaded from `levelFolder`) to the play screen;
    // false when the level cannot be started.
    [[nodiscard]] virtual bool startLevel(const CStringW& levelFolder, SceneNode* levelScene) = 0;

protected:
    ~IPlaySceneStart() = default;
};
