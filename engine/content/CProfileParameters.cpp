#include "engine/content/CProfileParameters.h"

#include "engine/content/CProfileManager.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

namespace {

using XmlNode = CProfileParameters::XmlNode;

// The decimal reading of an "int" text: leading white space, a sign, digits.
int32_t parseIntText(const CStringW& text) {
    const char16_t* at = text.c_str();
    while (*at == u' ' || (*at >= u'\t' && *at <= u'\r'))
        ++at;
    return parseInt(at);
}

CProfileParameters::Kind keptKindOf(const CStringW& typeName) {
    if (typeName == u"stringwArray")
        return CProfileParameters::Kind::StringWArray;
    if (typeName == u"properties")
        return CProfileParameters::Kind::Properties;
    return CProfileParameters::Kind::Other;
}

bool isLayoutCharacter(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool isLayoutText(const CStringW& text) {
    for (char16_t c : text)
        if (!isLayoutCharacter(c))
            return false;
    return true;
}

// A text followed by an element start loses its trailing white space, which
// is where the writer puts that element's indentation: otherwise every save
// would add another indentation to it. A text left empty goes.
void trimTextBeforeElement(CArray<XmlNode>& nodes) {
    if (nodes.size() == 0 || nodes.back().type != XmlNode::Type::Text)
        return;
    const CStringW& text = nodes.back().text;
    uint32_t length = text.length();
    while (length > 0 && isLayoutCharacter(text[length - 1]))
        --length;
    if (length == 0)
        nodes.pop_back();
    else if (length < text.length())
        nodes.back().text = text.subString(0, int(length));
}

XmlNode openNode(const CXmlStreamReader& reader) {
    XmlNode node;
    node.type = XmlNode::Type::Open;
    node.selfClosing = reader.isSelfClosing();
    node.text = reader.nodeName();
    for (int i = 0; i < reader.attributeCount(); ++i) {
        node.attributeNames.push_back(reader.attributeName(i));
        node.attributeValues.push_back(reader.attribute(i));
    }
    return node;
}

XmlNode plainNode(XmlNode::Type type, const CStringW& text) {
    XmlNode node;
    node.type = type;
    node.text = text;
    return node;
}

// Keeps the reader's current element and everything inside it in `out`, up
// to the element's end. Not kept: the line breaks and tabs between tags (the
// writer's layout) and comments (the writer would escape their text anew on
// every save); a CDATA section is kept as text. An end tag of the set
// ("Parameters" or the holding element) that does not close the innermost
// open element ends the kept value there, and the set with it, so that a
// damaged value does not swallow the rest of the file; so does the end of
// the input. Answers whether the set ended.
bool keepAsWritten(CXmlStreamReader* reader, const CStringW& holder, CArray<XmlNode>& out) {
    out.push_back(openNode(*reader));
    if (reader->isSelfClosing())
        return false;
    // Open elements, so that ends are written with the names they close.
    // Kept on the heap rather than the stack: nesting depth is the file's.
    CArray<CStringW> open;
    open.push_back(reader->nodeName());
    auto closeAll = [&] {
        while (open.size() > 0) {
            out.push_back(plainNode(XmlNode::Type::Close, open.back()));
            open.pop_back();
        }
    };
    while (reader->readNext()) {
        switch (reader->nodeType()) {
        case CXmlStreamReader::Element:
            trimTextBeforeElement(out);
            out.push_back(openNode(*reader));
            if (!reader->isSelfClosing())
                open.push_back(reader->nodeName());
            break;
        case CXmlStreamReader::ElementEnd: {
            const CStringW& name = reader->nodeName();
            if (name != open.back() && (name == u"Parameters" || (!holder.empty() && name == holder))) {
                closeAll();
                return true;
            }
            out.push_back(plainNode(XmlNode::Type::Close, open.back()));
            open.pop_back();
            if (open.size() == 0)
                return false;
            break;
        }
        case CXmlStreamReader::Text:
            if (!isLayoutText(reader->nodeText()))
                out.push_back(plainNode(XmlNode::Type::Text, reader->nodeText()));
            break;
        case CXmlStreamReader::CData:
            out.push_back(plainNode(XmlNode::Type::Text, reader->nodeText()));
            break;
        default:
            break;
        }
    }
    closeAll();
    return true;
}

// Writes a value kept by keepAsWritten in the writer's layout: each element
// on its own line, except around texts, whose own white space stays as read.
void writeAsWritten(CXmlStreamWriter* writer, const CArray<XmlNode>& nodes) {
    for (uint32_t i = 0; i < nodes.size(); ++i) {
        const XmlNode& node = nodes[i];
        switch (node.type) {
        case XmlNode::Type::Open:
            writer->openElement(node.text.c_str(), node.selfClosing, node.attributeNames, node.attributeValues);
            break;
        case XmlNode::Type::Close:
            writer->closeElement(node.text.c_str());
            break;
        case XmlNode::Type::Text:
            writer->addText(node.text.c_str());
            break;
        }
        if (i + 1 < nodes.size() && node.type != XmlNode::Type::Text && nodes[i + 1].type != XmlNode::Type::Text)
            writer->newLine();
    }
}

bool sameAttributes(const CArray<CStringW>& a, const CArray<CStringW>& b) {
    if (a.size() != b.size())
        return false;
    for (uint32_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

bool sameNodes(const CArray<XmlNode>& a, const CArray<XmlNode>& b) {
    if (a.size() != b.size())
        return false;
    for (uint32_t i = 0; i < a.size(); ++i) {
        const XmlNode& x = a[i];
        const XmlNode& y = b[i];
        if (x.type != y.type || x.selfClosing != y.selfClosing || x.text != y.text ||
            !sameAttributes(x.attributeNames, y.attributeNames) ||
            !sameAttributes(x.attributeValues, y.attributeValues))
            return false;
    }
    return true;
}

// The value of the attribute `name` of a kept value's own element.
CStringW keptAttribute(const CArray<XmlNode>& nodes, const char16_t* name) {
    if (nodes.size() == 0)
        return CStringW();
    const XmlNode& root = nodes[0];
    for (uint32_t i = 0; i < root.attributeNames.size() && i < root.attributeValues.size(); ++i)
        if (root.attributeNames[i] == name)
            return root.attributeValues[i];
    return CStringW();
}

} // namespace

CProfileParameters::CProfileParameters(CProfileManager* owner, const CStringW& name) : m_owner(owner), m_name(name) {}

bool CProfileParameters::save() { return m_owner && m_owner->saveParameters(this); }

void CProfileParameters::applyDefaults(const CProfileParameters& defaults) {
    for (const Entry& entry : defaults.m_entries)
        if (indexOf(entry.name) < 0)
            m_entries.push_back(entry);
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
        } else {
            // Kept as written, with everything inside it. A nameless one is
            // dropped whole: nothing could reach it.
            entry.kind = keptKindOf(typeName);
            const bool setEnded = keepAsWritten(reader, holder, entry.xml);
            if (!entry.name.empty())
                m_entries.push_back(entry);
            if (setEnded)
                return true;
            continue;
        }
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
        case Kind::Other:
        case Kind::StringWArray:
        case Kind::Properties:
            writeAsWritten(writer, entry.xml);
            writer->newLine();
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

const CArray<CProfileParameters::XmlNode>* CProfileParameters::getXmlAt(uint32_t index) const {
    if (index >= m_entries.size())
        return nullptr;
    const Entry& entry = m_entries[index];
    const bool kept = entry.kind == Kind::Other || entry.kind == Kind::StringWArray || entry.kind == Kind::Properties;
    return kept ? &entry.xml : nullptr;
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

CArray<CStringW> CProfileParameters::getStringWArray(const CString& name) const {
    CArray<CStringW> values;
    const Entry* entry = find(name);
    if (!entry || entry->kind != Kind::StringWArray)
        return values;
    for (uint32_t i = 1; i < entry->xml.size(); ++i) {
        const XmlNode& node = entry->xml[i];
        if (node.type == XmlNode::Type::Open && node.text == u"stringw")
            values.push_back(node.attributeValues.size() > 0 ? node.attributeValues[0] : CStringW());
    }
    return values;
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

void CProfileParameters::copyEntry(const CProfileParameters& source, uint32_t index) {
    if (index >= source.m_entries.size())
        return;
    // A copy first: `source` may be this set.
    const Entry entry = source.m_entries[index];
    slotFor(entry.name) = entry;
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

void CProfileParameters::setStringWArray(const CString& name, const CArray<CStringW>& values) {
    Entry& entry = slotFor(name);
    entry.kind = Kind::StringWArray;
    // The layout of a property bag's list of texts.
    XmlNode list = plainNode(XmlNode::Type::Open, CStringW(u"stringwArray"));
    list.attributeNames.push_back(CStringW(u"Name"));
    list.attributeValues.push_back(CStringW(name));
    entry.xml.push_back(list);
    for (const CStringW& value : values) {
        XmlNode item = plainNode(XmlNode::Type::Open, CStringW(u"stringw"));
        item.selfClosing = true;
        item.attributeNames.push_back(CStringW(u"Value"));
        item.attributeValues.push_back(value);
        entry.xml.push_back(item);
    }
    entry.xml.push_back(plainNode(XmlNode::Type::Close, CStringW(u"stringwArray")));
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
        return entry.wide;
    case Kind::Other:
    case Kind::StringWArray:
    case Kind::Properties:
        return keptAttribute(entry.xml, u"Value");
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
    case Kind::StringWArray:
    case Kind::Properties:
        return sameNodes(a.xml, b.xml);
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
