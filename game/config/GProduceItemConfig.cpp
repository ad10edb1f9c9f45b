#include "game/config/GProduceItemConfig.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

GProduceItemConfig::~GProduceItemConfig() = default;

void GProduceItemConfig::readFromXml(CXmlStreamReader& reader) {
    readChildElements(reader, u"Item", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Workers")
            Workers = valueInt(r);
        else if (name == u"Time")
            Time = valueInt(r);
        else if (name == u"Name")
            Name = valueName(r);
        else if (name == u"RequiredResource")
            RequiredResources[attributeName(r, "Name")] = valueInt(r);
        else if (name == u"ProducedResource")
            ProducedResources[attributeName(r, "Name")] = valueInt(r);
    });
}

GProduceItemConfig* GProduceItemConfig::clone() const {
    GProduceItemConfig* copy = new GProduceItemConfig;
    copy->Name = Name;
    copy->Workers = Workers;
    copy->Time = Time;
    copy->RequiredResources = RequiredResources;
    copy->ProducedResources = ProducedResources;
    return copy;
}
