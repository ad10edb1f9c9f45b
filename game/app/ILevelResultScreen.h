#pragma once

class BaseNode;

// The result screen pushed over the play screen when a level ends; its class
// lives in a library above the play screen's, which reaches it through this.
class ILevelResultScreen {
public:
    // The finished level scene (a reference is kept while the screen lives);
    // set before the screen is shown.
    virtual void setLevelScene(BaseNode* levelScene) = 0;

protected:
    ~ILevelResultScreen() = default;
};
