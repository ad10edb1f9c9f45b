#include "engine/scene/CPropertyDataProperties.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/CPropertyBag.h"

CPropertyDataProperties::CPropertyDataProperties(CPropertyBag* bag, IContentManager* contentManager)
    : m_bag(CRefHandle<CPropertyBag>::share(bag)), m_contentManager(contentManager) {}

CPropertyDataProperties::~CPropertyDataProperties() = default;

CRefHandle<CPropertyDataProperties> CPropertyDataProperties::create(CPropertyBag* bag) {
    return CRefHandle<CPropertyDataProperties>(new CPropertyDataProperties(bag));
}

void CPropertyDataProperties::setBag(CPropertyBag* bag) { m_bag = CRefHandle<CPropertyBag>::share(bag); }

const CStringW& CPropertyDataProperties::getTypeName() const {
    static const CStringW name(u"properties");
    return name;
}

const CStringW& CPropertyDataProperties::getClassName() const {
    static const CStringW name(u"CPropertyDataProperties");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataProperties::clone() const {
    CRefHandle<CPropertyDataProperties> copy(new CPropertyDataProperties(nullptr, m_contentManager));
    if (m_bag)
        copy->m_bag = m_bag->clone();
    return copy;
}

void CPropertyDataProperties::toStringW(CStringW& out) const { out = CStringW(); }

void CPropertyDataProperties::toString(CString& out) const { out = CString(); }

void CPropertyDataProperties::fromString(const CString&) {}

void CPropertyDataProperties::fromStringW(const CStringW&) {}

bool CPropertyDataProperties::equals(const IPropertyData* other) const {
    const CPropertyDataProperties* that = sameKind<CPropertyDataProperties>(other, TypeProperties);
    return that && that->m_bag == m_bag;
}

bool CPropertyDataProperties::interpolate(const IPropertyData*, IPropertyData*, float) const { return false; }

void CPropertyDataProperties::readXml(CXmlStreamReader* reader) { readXmlAtDepth(reader, 1); }

void CPropertyDataProperties::readXmlAtDepth(CXmlStreamReader* reader, int depth) {
    if (!reader)
        return;
    if (!m_bag)
        m_bag = CPropertyBag::create(m_contentManager);
    static const CStringW elementName(u"properties");
    // A bag nested too deeply stays empty (the reader skips the element,
    // logged); so does one given an element of another name.
    static_cast<void>(m_bag->readXmlAtDepth(reader, true, elementName, depth));
}

void CPropertyDataProperties::writeXml(CXmlStreamWriter* writer, const CString& name) const {
    if (!writer || !m_bag)
        return;
    const CStringW wideName(name);
    writer->openElement(getTypeName().c_str(), false, u"Name", wideName.c_str());
    writer->newLine();
    static_cast<void>(m_bag->writeXml(writer, false, CStringW(), false));
    writer->closeElement(getTypeName().c_str());
}
