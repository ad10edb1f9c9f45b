#include "game/config/ConfigXml.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/core/CString.h"
#include "engine/core/NumberText.h"

void logDocumentCutShort(const char16_t* rootName) {
    CLog::instance()->log(CStringW(u"Configuration cut short, kept what was read: ") + rootName, CLog::Warning);
}

int drawFromRange(GIntRange range) {
    if (range.max <= range.min)
        return range.min;
    return CEngineManagers::instance().getRandom()->nextInRange(range.min, range.max);
}

float drawFromRange(GFloatRange range) {
    if (!(range.max > range.min))
        return range.min;
    return range.min + CEngineManagers::instance().getRandom()->nextFastFloat() * (range.max - range.min);
}

const CStringW& valueText(const CXmlStreamReader& reader) { return reader.attribute("Value"); }

int valueInt(const CXmlStreamReader& reader) { return reader.attributeInt("Value", 0); }

float valueFloat(const CXmlStreamReader& reader) { return reader.attributeFloat("Value", 0.0f); }

CName valueName(const CXmlStreamReader& reader) { return attributeName(reader, "Value"); }

bool valueIsTrue(const CXmlStreamReader& reader) { return valueText(reader) == u"true"; }

GIntRange valueIntRange(const CXmlStreamReader& reader) { return attributeIntRange(reader, "Value"); }

GFloatRange valueFloatRange(const CXmlStreamReader& reader) { return attributeFloatRange(reader, "Value"); }

CArray<CName> valueNames(const CXmlStreamReader& reader) { return attributeNames(reader, "Value"); }

CName attributeName(const CXmlStreamReader& reader, const char* attribute) {
    const CStringW& text = reader.attribute(attribute);
    return text.empty() ? CName() : CName(CString(text));
}

GIntRange attributeIntRange(const CXmlStreamReader& reader, const char* attribute) {
    GIntRange range;
    parseIntPair(reader.attribute(attribute).c_str(), range.min, range.max);
    return range;
}

GFloatRange attributeFloatRange(const CXmlStreamReader& reader, const char* attribute) {
    GFloatRange range;
    parseFloatPair(reader.attribute(attribute).c_str(), range.min, range.max);
    return range;
}

CArray<CName> attributeNames(const CXmlStreamReader& reader, const char* attribute) {
    CArray<CName> names;
    splitNames(names, CString(reader.attribute(attribute)), true);
    return names;
}

CName elementName(const CXmlStreamReader& reader) { return CName(CString(reader.nodeName())); }

CArray<CStringW> splitText(const CStringW& text, char16_t separator) {
    CArray<CStringW> pieces;
    const char16_t* start = text.c_str();
    const char16_t* const end = start + text.length();
    for (;;) {
        const char16_t* stop = start;
        while (stop != end && *stop != separator)
            ++stop;
        pieces.push_back(CStringW(start, int(stop - start)));
        if (stop == end)
            return pieces;
        start = stop + 1;
    }
}
