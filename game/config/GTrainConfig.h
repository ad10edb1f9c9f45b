#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "game/config/ConfigXml.h"

class CXmlStreamReader;

// A kind of train ("Train" element of the objects configuration).
class GTrainConfig : public CRefCounted {
public:
    GTrainConfig() = default;

    // The children of a "Train" element up to its end element.
    void readFromXml(CXmlStreamReader& reader);

    CName Name;
    CName TemplateID;
    int Velocity = 100;
    // The stand time at the station is drawn from it, in ms.
    GIntRange ReleaseTimeoutRange;

protected:
    ~GTrainConfig() override;
};
