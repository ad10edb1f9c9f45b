#pragma once

class CDictionary;
class CMat4;
class CProfileParameters;
class CSoundCueManager;
class GlobalConfig;

// What the screens between levels reach of the game and the engine; each is
// null when the game or the engine has none.
[[nodiscard]] CProfileParameters* currentPlayer();
[[nodiscard]] CSoundCueManager* cueManager();
[[nodiscard]] CDictionary* dictionary();
[[nodiscard]] GlobalConfig* globalConfig();

// The inverse of `matrix`, or all zeros when it has none.
[[nodiscard]] CMat4 inverseOrZero(const CMat4& matrix);
