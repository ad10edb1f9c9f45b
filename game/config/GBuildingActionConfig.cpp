#include "game/config/GBuildingActionConfig.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

#include <algorithm>

void GBuildingActionConfig::readFromXml(CXmlStreamReader& reader, const char16_t* endName, bool withLowerBounds) {
    readChildElements(reader, endName, [&](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Time")
            Time = withLowerBounds ? std::max(MinimumTime, valueInt(r)) : valueInt(r);
        else if (name == u"Workers")
            Workers = withLowerBounds ? std::max(1, valueInt(r)) : valueInt(r);
        else
            Resources[elementName(r)] = valueInt(r);
    });
}
