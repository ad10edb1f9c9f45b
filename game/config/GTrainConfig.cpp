#include "game/config/GTrainConfig.h"

#include "engine/io/CXmlStreamReader.h"

GTrainConfig::~GTrainConfig() = default;

void GTrainConfig::readFromXml(CXmlStreamReader& reader) {
    readChildElements(reader, u"Train", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Name")
            Name = valueName(r);
        else if (name == u"TemplateID")
            TemplateID = valueName(r);
        else if (name == u"Velocity")
            Velocity = valueInt(r);
        else if (name == u"ReleaseTimeoutRange")
            ReleaseTimeoutRange = valueIntRange(r);
    });
}
