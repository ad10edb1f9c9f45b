#include "game/app/GSoundCues.h"

CName soundCueName(GSoundCue cue) {
    static const CName names[kSoundCueCount] = {
        CName("ObjectivesWindow"),  CName("TutorialWindow"), CName("ButtonMissed"),   CName("ButtonClick"),
        CName("ButtonOver"),        CName("ObjFound"),       CName("ComicsMusic"),    CName("MenuMusic"),
        CName("MainMenuAmbient"),   CName("Building"),       CName("Upgrading"),      CName("Destroying"),
        CName("FeatureCommercial"), CName("FeatureFactory"), CName("TimedActionEnd"), CName("AlmostEnd"),
        CName("TimeOver"),          CName("LevelCompleted"), CName("Income"),         CName("MaterialsDelivered"),
        CName("WorkersTrained"),    CName("Broken"),         CName("MoneyLetter"),    CName("SoundVolumeChange"),
    };
    const auto index = uint32_t(cue);
    return index < kSoundCueCount ? names[index] : CName();
}
