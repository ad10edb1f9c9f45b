#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"

class CXmlStreamReader;

// A kind of worker ("Worker" element of the objects configuration).
class GWorkerConfig : public CRefCounted {
public:
    GWorkerConfig() = default;

    // The children of a "Worker" element up to its end element. A speed of
    // 0 or below keeps the value before it.
    void readFromXml(CXmlStreamReader& reader);

    CName Name;
    // The node template that shows a worker of this kind.
    CName TemplateID;
    int Velocity = 260;
    int MinimumVelocity = 100;
    int MaximumVelocity = 300;

protected:
    ~GWorkerConfig() override;
};
