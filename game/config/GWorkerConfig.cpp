#include "game/config/GWorkerConfig.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

namespace {

// A walker with no speed would never arrive.
void setSpeed(int& field, int value) {
    if (value > 0)
        field = value;
}

} // namespace

GWorkerConfig::~GWorkerConfig() = default;

void GWorkerConfig::readFromXml(CXmlStreamReader& reader) {
    readChildElements(reader, u"Worker", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Name")
            Name = valueName(r);
        else if (name == u"TemplateID")
            TemplateID = valueName(r);
        else if (name == u"Velocity")
            setSpeed(Velocity, valueInt(r));
        else if (name == u"MinimumVelocity")
            setSpeed(MinimumVelocity, valueInt(r));
        else if (name == u"MaximumVelocity")
            setSpeed(MaximumVelocity, valueInt(r));
    });
}
