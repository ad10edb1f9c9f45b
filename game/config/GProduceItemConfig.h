#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "game/config/GResources.h"

class CXmlStreamReader;

// One thing a building can produce: the workers and time it takes, what it
// consumes and what it yields ("Item" under "ProduceItems").
class GProduceItemConfig : public CRefCounted {
public:
    GProduceItemConfig() = default;

    // The children of the current "Item" element up to its end element.
    void readFromXml(CXmlStreamReader& reader);
    // A new item with the same values.
    [[nodiscard]] GProduceItemConfig* clone() const;

    CName Name;
    // An item that does not give them takes one worker for five seconds.
    int Workers = 1;
    int Time = 5000;
    GResourceMap RequiredResources;
    GResourceMap ProducedResources;

protected:
    ~GProduceItemConfig() override;
};
