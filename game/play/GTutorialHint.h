#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector3d.h"
#include "game/play/GTutorialAction.h"

class CXmlStreamReader;
class CEventReceiver;

// One arrow of a hint: where it stands and its angle (rotation z, degrees,
// brought within 0 to 360).
struct GTutorialArrow {
    CVector3d Position;
    CVector3d Rotation;
};

// One step of a tutorial: what the two tutorial windows show, the arrows,
// and the actions of which the first one done finishes the step.
class GTutorialHint : public CRefCounted {
public:
    GTutorialHint() = default;

    // Reads the hint from the reader standing on its "Hint" start element, up
    // to its end element (or the end of the input). Unknown elements are
    // passed over; their children are scanned like the hint's own.
    void read(CXmlStreamReader& reader);
    // The "Action" elements up to the end of "Actions"; an unknown Type is
    // skipped with a log line.
    void readActions(CXmlStreamReader& reader);
    // The "Arrow" elements up to the end of "Arrows".
    void readArrows(CXmlStreamReader& reader);

    void activateActions(CEventReceiver* receiver);
    void deactivateActions();

    bool Tip = false;
    bool MessageBox = false;
    bool Gertruda = false;
    bool Quest = false;
    bool Darkening = false;
    CStringW Text;
    CStringW TextQuest;
    CString ImageFilename;
    CVector3d Position{570.0f, 516.0f, 0.0f};
    CVector3d PositionQuest;
    int TextBgType = 0;
    CVector3d TextPosition;
    CVector3d TextPositionQuest;
    CStringW GertrudaState;
    CStringW GertrudaAlign;
    CArray<GTutorialArrow> Arrows;
    CArray<CRefHandle<GTutorialAction>> Actions;

protected:
    ~GTutorialHint() override;
};

// The vector form of tutorial files: up to three numbers, each found by
// skipping to the next '-' or digit; missing numbers are 0 ("100;200" is
// (100, 200, 0), "1,5e1 -2.5" (1, 50, -2.5)).
[[nodiscard]] CVector3d parseTutorialVector(const CStringW& text);

// Every number of `text` (a run starting with '-' or a digit, with an
// optional fraction and exponent), truncated towards zero: "1, 3;x-2" gives
// 1, 3, -2 and "2.7" gives 2.
[[nodiscard]] CArray<int> parseTutorialIntList(const CStringW& text);

// An arrow angle brought into 0 to 360: 360 is added while below 0, then 360
// taken away while above 360 (so 360 stays 360).
[[nodiscard]] float normaliseArrowAngle(float degrees);
