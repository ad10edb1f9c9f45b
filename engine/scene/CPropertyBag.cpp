#include "engine/scene/CPropertyBag.h"

#include "engine/core/CLog.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataFactory.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/PropertyValues.h"

namespace {

const CStringW& defaultElementName() {
    static const CStringW name(u"Properties");
    return name;
}

// Reads past the end of the current element, whatever it holds.
void skipElement(CXmlStreamReader* reader) {
    if (reader->isSelfClosing())
        return;
    int open = 1;
    while (open > 0 && reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::Element && !reader->isSelfClosing())
            ++open;
        else if (reader->nodeType() == CXmlStreamReader::ElementEnd)
            --open;
    }
}

} // namespace

CPropertyBag::CPropertyBag(IContentManager* contentManager) : m_contentManager(contentManager) {}

CPropertyBag::~CPropertyBag() = default;

CRefHandle<CPropertyBag> CPropertyBag::create(IContentManager* contentManager) {
    return CRefHandle<CPropertyBag>(new CPropertyBag(contentManager));
}

const CString& CPropertyBag::getNameAt(int index) const {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return CString::emptyString();
    return m_entries[uint32_t(index)].name;
}

CRefHandle<IPropertyData> CPropertyBag::getValueAt(int index) const {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    return m_entries[uint32_t(index)].value;
}

void CPropertyBag::setValueAt(int index, const CRefHandle<IPropertyData>& value) {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return;
    m_entries[uint32_t(index)].value = value;
}

int CPropertyBag::indexOf(const CString& name) const {
    auto found = m_index.find(name);
    return found == m_index.end() ? -1 : found->value;
}

CRefHandle<IPropertyData> CPropertyBag::get(const CString& name) const { return getValueAt(indexOf(name)); }

void CPropertyBag::set(const CString& name, const CRefHandle<IPropertyData>& value) {
    const int index = indexOf(name);
    if (index >= 0)
        m_entries[uint32_t(index)].value = value;
    else
        add(name, value);
}

void CPropertyBag::add(const CString& name, const CRefHandle<IPropertyData>& value) {
    m_entries.push_back(Entry{name, value});
    m_index[name] = int(m_entries.size() - 1);
}

void CPropertyBag::remove(const CString& name) { removeAt(indexOf(name)); }

void CPropertyBag::removeAt(int index) {
    if (index < 0 || uint32_t(index) >= m_entries.size())
        return;
    m_entries.erase(uint32_t(index));
    rebuildIndex();
}

void CPropertyBag::clear() {
    m_entries.clear();
    m_index.clear();
}

void CPropertyBag::rebuildIndex() {
    m_index.clear();
    // Later entries overwrite earlier ones of the same name.
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        m_index[m_entries[i].name] = int(i);
}

CRefHandle<CPropertyBag> CPropertyBag::clone() const {
    CRefHandle<CPropertyBag> copy = create(m_contentManager);
    for (const Entry& entry : m_entries)
        copy->m_entries.push_back(Entry{entry.name, entry.value ? entry.value->clone() : nullptr});
    copy->m_index = m_index;
    return copy;
}

int CPropertyBag::getInt(const CString& name) const { return getPropertyInt(get(name)); }

bool CPropertyBag::getBool(const CString& name) const { return getPropertyBool(get(name)); }

float CPropertyBag::getFloat(const CString& name) const { return getPropertyFloat(get(name)); }

CString CPropertyBag::getString(const CString& name) const { return getPropertyString(get(name)); }

void CPropertyBag::setInt(const CString& name, int value) { set(name, CPropertyDataInt::create(value)); }

void CPropertyBag::setBool(const CString& name, bool value) { set(name, CPropertyDataBool::create(value)); }

void CPropertyBag::setFloat(const CString& name, float value) { set(name, CPropertyDataFloat::create(value)); }

void CPropertyBag::setColor(const CString& name, const CColor& value) { set(name, CPropertyDataColor::create(value)); }

void CPropertyBag::setString(const CString& name, const CString& value) {
    set(name, CPropertyDataString::create(value));
}

void CPropertyBag::setStringW(const CString& name, const CStringW& value) {
    set(name, CPropertyDataStringW::create(value));
}

void CPropertyBag::setVector2d(const CString& name, const CVector2d& value) {
    set(name, CPropertyDataVector2d::create(value));
}

void CPropertyBag::setVector3d(const CString& name, const CVector3d& value) {
    set(name, CPropertyDataVector3d::create(value));
}

void CPropertyBag::setAtlasTexture(const CString& name, IContent* texture) {
    set(name, CPropertyDataAtlasTexture::create(texture));
}

void CPropertyBag::setProperties(const CString& name, CPropertyBag* bag) {
    set(name, CPropertyDataProperties::create(bag));
}

bool CPropertyBag::readXml(CXmlStreamReader* reader, bool checkName, const CStringW& elementName) {
    return readXmlAtDepth(reader, checkName, elementName, 0);
}

bool CPropertyBag::readXmlAtDepth(CXmlStreamReader* reader, bool checkName, const CStringW& elementName, int depth) {
    if (!reader)
        return false;
    clear();
    const CStringW& name = elementName.empty() ? defaultElementName() : elementName;
    if (checkName && !(reader->nodeName() == name))
        return false;
    if (depth > MaxNesting) {
        CLog::instance()->log(CStringW(u"Property bags nested too deeply, skipped: ") + name, CLog::Error);
        skipElement(reader);
        return false;
    }
    if (reader->isSelfClosing())
        return true;

    CPropertyDataFactory* factory = CPropertyDataFactory::getShared();
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd) {
            if (reader->nodeName() == name)
                return true;
            continue;
        }
        if (type != CXmlStreamReader::Element)
            continue;
        // The element name is the type name, "Name" the property name.
        const CString propertyName(reader->attribute("Name"));
        CRefHandle<IPropertyData> value = factory->create(reader->nodeName(), m_contentManager);
        if (value) {
            if (auto* nested = dynamic_cast<CPropertyDataProperties*>(value.get()))
                nested->readXmlAtDepth(reader, depth + 1);
            else
                value->readXml(reader);
        }
        if (!propertyName.empty())
            add(propertyName, value);
    }
    // The input ended before the element did: keep what was read.
    return true;
}

bool CPropertyBag::writeXml(CXmlStreamWriter* writer, bool startDocument, const CStringW& elementName,
                            bool withTags) const {
    if (!writer)
        return false;
    if (startDocument)
        writer->startDocument();
    const CStringW& name = elementName.empty() ? defaultElementName() : elementName;
    if (withTags) {
        writer->openElement(name.c_str(), false);
        writer->newLine();
    }
    for (const Entry& entry : m_entries) {
        if (!entry.value)
            continue;
        entry.value->writeXml(writer, entry.name);
        writer->newLine();
    }
    if (withTags) {
        writer->closeElement(name.c_str());
        writer->newLine();
    }
    return !writer->hasError();
}
