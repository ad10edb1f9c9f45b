#include "engine/scene/IPropertyData.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

void IPropertyData::fromStringW(const CStringW& text) { fromString(CString(text)); }

bool IPropertyData::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio, unsigned) const {
    return interpolate(to, out, ratio);
}

void IPropertyData::prepareInterpolation(const IPropertyData*) {}

void IPropertyData::readXml(CXmlStreamReader* reader) {
    if (reader)
        fromStringW(reader->attribute("Value"));
}

void IPropertyData::writeXml(CXmlStreamWriter* writer, const CString& name) const {
    if (!writer)
        return;
    CStringW text;
    toStringW(text);
    const CStringW wideName(name);
    writer->openElement(getTypeName().c_str(), true, u"Name", wideName.c_str(), u"Value", text.c_str());
}
