#include "engine/scene/CPropertyDataStringWArray.h"

#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

CRefHandle<CPropertyDataStringWArray> CPropertyDataStringWArray::create(const CArray<CStringW>& values) {
    return CRefHandle<CPropertyDataStringWArray>(new CPropertyDataStringWArray(values));
}

const CStringW& CPropertyDataStringWArray::getTypeName() const {
    static const CStringW name(u"stringwArray");
    return name;
}

const CStringW& CPropertyDataStringWArray::getClassName() const {
    static const CStringW name(u"CPropertyDataStringWArray");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataStringWArray::clone() const { return create(m_values); }

void CPropertyDataStringWArray::toStringW(CStringW& out) const { out = CStringW(); }

void CPropertyDataStringWArray::toString(CString& out) const { out = CString(); }

void CPropertyDataStringWArray::fromString(const CString&) {}

void CPropertyDataStringWArray::fromStringW(const CStringW&) {}

bool CPropertyDataStringWArray::equals(const IPropertyData* other) const {
    const CPropertyDataStringWArray* that = sameKind<CPropertyDataStringWArray>(other, TypeStringWArray);
    if (!that || that->m_values.size() != m_values.size())
        return false;
    for (uint32_t i = 0; i < m_values.size(); ++i)
        if (!(that->m_values[i] == m_values[i]))
            return false;
    return true;
}

bool CPropertyDataStringWArray::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataStringWArray* target = sameKind<CPropertyDataStringWArray>(to, TypeStringWArray);
    CPropertyDataStringWArray* result = sameKind<CPropertyDataStringWArray>(out, TypeStringWArray);
    if (!target || !result || !(ratio >= 1.0f))
        return false;
    result->m_values = target->m_values;
    return true;
}

void CPropertyDataStringWArray::readXml(CXmlStreamReader* reader) {
    m_values.clear();
    if (!reader || reader->isSelfClosing())
        return;
    static const CStringW endName(u"stringwArray");
    static const CStringW itemName(u"stringw");
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == itemName)
            m_values.push_back(reader->attribute(0));
        else if (reader->nodeType() == CXmlStreamReader::ElementEnd && reader->nodeName() == endName)
            return;
    }
}

void CPropertyDataStringWArray::writeXml(CXmlStreamWriter* writer, const CString& name) const {
    if (!writer)
        return;
    const CStringW wideName(name);
    writer->openElement(getTypeName().c_str(), false, u"Name", wideName.c_str());
    writer->newLine();
    for (const CStringW& text : m_values) {
        writer->openElement(u"stringw", true, u"Value", text.c_str());
        writer->newLine();
    }
    writer->closeElement(getTypeName().c_str());
}
