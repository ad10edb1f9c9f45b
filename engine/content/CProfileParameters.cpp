#include "engine/content/CProfileParameters.h"

#include "engine/content/CProfileManager.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

namespace {

// Value kinds whose whole value is the "Value" attribute and which settings
// do not use: kept as written.
bool isOtherSimpleKind(const CStringW& typeName) {
    static const char16_t* const names[] = {u"color", u"colorf", u"vector2d",     u"vector3d",
                                            u"rect",  u"font",   u"atlasTexture", u"sound"};
    for (const char16_t* name : names)
        if (typeName == name)
            return true;
    return false;
}

// The decimal reading of an "int" text: leading white space, a sign, digits.
int32_t parseIntText(const CStringW& text) {
    const char16_t* at = text.c_str();
    while (*at == u' ' || (*at >= u'\t' && *at <= u'\r'))
        ++at;
    return parseInt(at);
}

// Passes over the children of a list or nested-set value, which this store
// does not hold, up to the value's own end element.
void skipValueChildren(CXmlStreamReader* reader, const CStringW& typeName) {
    if (reader->isSelfClosing())
        return;
    const bool nests = typeName == u"properties";
    int depth = 0;
    while (reader->readNext()) {
        if (nests && reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == typeName &&
            !reader->isSelfClosing())
            ++depth;
        else if (reader->nodeType() == CXmlStreamReader::ElementEnd && reader->nodeName() == typeName && depth-- == 0)
            return;
    }
}

} // namespace

CProfileParameters::CProfileParameters(CProfileManager* owner, const CStringW& name) : m_owner(owner), m_name(name) {}

bool CProfileParameters::save() { return m_owner && m_owner->saveParameters(this); }

void CProfileParameters::applyDefaults(const CProfileParameters& defaults) {
    for (const Entry& entry : defaults.m_entries) {
        const int index = indexOf(entry.name);
        if (index < 0)
            m_entries.push_back(entry);
        else if (m_entries[uint32_t(index)].kind == Kind::None)
            // A name read without a value (an unknown type) would otherwise
            // hide the default until the next save drops it.
            m_entries[uint32_t(index)] = entry;
    }
}

bool CProfileParameters::readFrom(CXmlStreamReader* reader) {
    if (!reader)
        return false;
    m_entries.clear();
    if (reader->isSelfClosing())
        return true;
    // The set also ends with the element that holds it, so that a damaged or
    // missing "</Parameters>" does not take in the elements after it.
    const CStringW holder = reader->nodeType() == CXmlStreamReader::Element ? reader->nodeName() : CStringW();
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::ElementEnd &&
            (reader->nodeName() == u"Parameters" || (!holder.empty() && reader->nodeName() == holder)))
            return true;
        if (reader->nodeType() != CXmlStreamReader::Element)
            continue;
        if (reader->nodeName() == u"Parameters") {
            if (reader->isSelfClosing())
                return true;
            continue;
        }
        Entry entry;
        entry.name = CString(reader->attribute("Name"));
        const CStringW& typeName = reader->nodeName();
        const CStringW& value = reader->attribute("Value");
        if (typeName == u"int") {
            entry.kind = Kind::Int;
            entry.number = parseIntText(value);
        } else if (typeName == u"bool") {
            entry.kind = Kind::Bool;
            entry.number = value == u"true" ? 1 : 0;
        } else if (typeName == u"float") {
            entry.kind = Kind::Float;
            entry.real = parseFloat(value.c_str());
        } else if (typeName == u"string") {
            entry.kind = Kind::String;
            entry.narrow = CString(value);
        } else if (typeName == u"stringw") {
            entry.kind = Kind::StringW;
            entry.wide = value;
        } else if (isOtherSimpleKind(typeName)) {
            entry.kind = Kind::Other;
            entry.typeName = typeName;
            entry.wide = value;
        } else if (typeName == u"properties" || typeName == u"stringwArray") {
            skipValueChildren(reader, CStringW(typeName));
        }
        // Any other element is no value: its name stays without one, and
        // its children are read as values of this set.
        if (!entry.name.empty())
            m_entries.push_back(entry);
    }
    return true;
}

bool CProfileParameters::writeTo(CXmlStreamWriter* writer) const {
    if (!writer)
        return false;
    writer->openElement(u"Parameters", false);
    writer->newLine();
    for (const Entry& entry : m_entries) {
        const char16_t* typeName = nullptr;
        switch (entry.kind) {
        case Kind::None:
            continue;
        case Kind::Int:
            typeName = u"int";
            break;
        case Kind::Bool:
            typeName = u"bool";
            break;
        case Kind::Float:
            typeName = u"float";
            break;
        case Kind::String:
            typeName = u"string";
            break;
        case Kind::StringW:
            typeName = u"stringw";
            break;
        case Kind::Other:
            typeName = entry.typeName.c_str();
            break;
        }
        writer->openElement(typeName, true, u"Name", CStringW(entry.name).c_str(), u"Value", textOf(entry).c_str());
        writer->newLine();
    }
    writer->closeElement(u"Parameters");
    writer->newLine();
    return !writer->hasError();
}

const CString& CProfileParameters::getNameAt(uint32_t index) const {
    return index < m_entries.size() ? m_entries[index].name : CString::emptyString();
}

CProfileParameters::Kind CProfileParameters::getKindAt(uint32_t index) const {
    return index < m_entries.size() ? m_entries[index].kind : Kind::None;
}

int CProfileParameters::indexOf(const CString& name) const {
    for (uint32_t i = m_entries.size(); i-- > 0;)
        if (m_entries[i].name == name)
            return int(i);
    return -1;
}

void CProfileParameters::remove(const CString& name) {
    const int index = indexOf(name);
    if (index >= 0)
        m_entries.erase(uint32_t(index));
}

void CProfileParameters::removeAt(uint32_t index) {
    if (index < m_entries.size())
        m_entries.erase(index);
}

const CProfileParameters::Entry* CProfileParameters::find(const CString& name) const {
    const int index = indexOf(name);
    return index < 0 ? nullptr : &m_entries[uint32_t(index)];
}

int32_t CProfileParameters::getInt(const CString& name) const {
    const Entry* entry = find(name);
    return entry && entry->kind == Kind::Int ? entry->number : 0;
}

bool CProfileParameters::getBool(const CString& name) const {
    const Entry* entry = find(name);
    return entry && entry->kind == Kind::Bool && entry->number != 0;
}

float CProfileParameters::getFloat(const CString& name) const {
    const Entry* entry = find(name);
    return entry && entry->kind == Kind::Float ? entry->real : 0.0f;
}

CString CProfileParameters::getString(const CString& name) const {
    const Entry* entry = find(name);
    if (!entry)
        return CString();
    return entry->kind == Kind::String ? entry->narrow : CString(textOf(*entry));
}

CStringW CProfileParameters::getStringW(const CString& name) const {
    const Entry* entry = find(name);
    return entry ? textOf(*entry) : CStringW();
}

CProfileParameters::Entry& CProfileParameters::slotFor(const CString& name) {
    Entry fresh;
    fresh.name = name;
    const int index = indexOf(name);
    if (index >= 0) {
        m_entries[uint32_t(index)] = fresh;
        return m_entries[uint32_t(index)];
    }
    m_entries.push_back(fresh);
    return m_entries.back();
}

void CProfileParameters::setInt(const CString& name, int32_t value) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::Int;
    entry.number = value;
}

void CProfileParameters::setBool(const CString& name, bool value) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::Bool;
    entry.number = value ? 1 : 0;
}

void CProfileParameters::setFloat(const CString& name, float value) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::Float;
    entry.real = value;
}

void CProfileParameters::setString(const CString& name, const CString& value) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::String;
    entry.narrow = value;
}

void CProfileParameters::setStringW(const CString& name, const CStringW& value) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::StringW;
    entry.wide = value;
}

CStringW CProfileParameters::textOf(const Entry& entry) {
    switch (entry.kind) {
    case Kind::Int:
        return CStringW(formatDecimal(entry.number).text);
    case Kind::Bool:
        return CStringW(entry.number ? u"true" : u"false");
    case Kind::Float:
        return CStringW(formatFloat(entry.real).text);
    case Kind::String:
        return CStringW(entry.narrow);
    case Kind::StringW:
    case Kind::Other:
        return entry.wide;
    case Kind::None:
        break;
    }
    return CStringW();
}

bool CProfileParameters::sameValue(const Entry& a, const Entry& b) {
    if (a.name != b.name || a.kind != b.kind)
        return false;
    switch (a.kind) {
    case Kind::Int:
    case Kind::Bool:
        return a.number == b.number;
    case Kind::Float:
        return a.real == b.real;
    case Kind::String:
        return a.narrow == b.narrow;
    case Kind::StringW:
        return a.wide == b.wide;
    case Kind::Other:
        return a.typeName == b.typeName && a.wide == b.wide;
    case Kind::None:
        break;
    }
    return true;
}

bool CProfileParameters::equals(const CProfileParameters& other) const {
    if (m_name != other.m_name || m_entries.size() != other.m_entries.size())
        return false;
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        if (!sameValue(m_entries[i], other.m_entries[i]))
            return false;
    return true;
}
