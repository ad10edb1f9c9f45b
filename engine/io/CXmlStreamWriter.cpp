#include "engine/io/CXmlStreamWriter.h"

#include "engine/core/CLog.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/IWritableFile.h"

#include <array>
#include <climits>

namespace {

// For each ASCII character, 1 + its entry in the reader's default entity
// table, or 0 when it is written as it is.
constexpr std::array<uint8_t, 128> makeEscapes() {
    std::array<uint8_t, 128> escapes{};
    for (std::size_t i = 0; i < CXmlStreamReader::kDefaultEntities.size(); ++i)
        escapes[CXmlStreamReader::kDefaultEntities[i][0]] = uint8_t(i + 1);
    return escapes;
}

constexpr std::array<uint8_t, 128> kEscapes = makeEscapes();

} // namespace

CXmlStreamWriter::CXmlStreamWriter(IWritableFile* target) : m_target(target), m_error(target == nullptr) {
    if (m_target)
        m_target->addRef();
}

CXmlStreamWriter::~CXmlStreamWriter() {
    if (m_target)
        m_target->release();
}

void CXmlStreamWriter::put(const char16_t* text) {
    for (; *text; ++text) {
        m_pending.push_back(uint8_t(*text & 0xFF));
        m_pending.push_back(uint8_t(*text >> 8));
    }
}

void CXmlStreamWriter::putEscaped(const char16_t* text) {
    for (; *text; ++text) {
        const char16_t c = *text;
        if (c < kEscapes.size() && kEscapes[c] != 0) {
            // The entity as the reader's table holds it, after its character.
            m_pending.push_back(uint8_t('&'));
            m_pending.push_back(0);
            put(CXmlStreamReader::kDefaultEntities[kEscapes[c] - 1] + 1);
        } else {
            m_pending.push_back(uint8_t(c & 0xFF));
            m_pending.push_back(uint8_t(c >> 8));
        }
    }
}

void CXmlStreamWriter::putAttribute(const char16_t* name, const char16_t* value) {
    put(u" ");
    put(name);
    put(u"=\"");
    putEscaped(value);
    put(u"\"");
}

void CXmlStreamWriter::putIndent(int levels) {
    for (int i = 0; i < levels; ++i)
        put(u"\t");
}

void CXmlStreamWriter::flush() {
    if (m_pending.empty())
        return;
    if (!m_error) {
        const std::size_t size = m_pending.size();
        const int written = size > std::size_t(INT_MAX) ? 0 : m_target->write(m_pending.data(), int(size));
        if (written < 0 || std::size_t(written) != size) {
            m_error = true;
            CLog::instance()->log(CStringW(u"Could not write XML file: ") + m_target->fileName(), CLog::Error);
        }
    }
    m_pending.clear();
}

void CXmlStreamWriter::startDocument() {
    if (m_error)
        return;
    m_pending.push_back(0xFF);
    m_pending.push_back(0xFE);
    put(u"<?xml version=\"1.0\"?>\r\n");
    m_textWritten = false;
    flush();
}

void CXmlStreamWriter::openTag(const char16_t* name) {
    putIndent(m_depth);
    put(u"<");
    put(name);
}

void CXmlStreamWriter::finishTag(bool empty) {
    if (empty) {
        put(u" />");
    } else {
        put(u">");
        ++m_depth;
    }
    m_textWritten = false;
    flush();
}

void CXmlStreamWriter::openElement(const char16_t* name, bool empty, const CArray<CStringW>& attributeNames,
                                   const CArray<CStringW>& attributeValues) {
    if (m_error || !name)
        return;
    openTag(name);
    for (uint32_t i = 0; i < attributeNames.size() && i < attributeValues.size(); ++i)
        putAttribute(attributeNames[i].c_str(), attributeValues[i].c_str());
    finishTag(empty);
}

void CXmlStreamWriter::openElement(const char16_t* name, bool empty, const char16_t* name1, const char16_t* value1,
                                   const char16_t* name2, const char16_t* value2, const char16_t* name3,
                                   const char16_t* value3, const char16_t* name4, const char16_t* value4,
                                   const char16_t* name5, const char16_t* value5) {
    if (m_error || !name)
        return;
    openTag(name);
    const char16_t* const pairs[5][2] = {
        {name1, value1}, {name2, value2}, {name3, value3}, {name4, value4}, {name5, value5}};
    for (const auto& pair : pairs)
        if (pair[0] && pair[1])
            putAttribute(pair[0], pair[1]);
    finishTag(empty);
}

void CXmlStreamWriter::closeElement(const char16_t* name) {
    if (m_error || !name || m_depth == 0)
        return;
    --m_depth;
    // An element that holds text closes on the same line.
    if (m_depth > 0 && !m_textWritten)
        putIndent(m_depth);
    put(u"</");
    put(name);
    put(u">");
    m_textWritten = false;
    flush();
}

void CXmlStreamWriter::addComment(const char16_t* text) {
    if (m_error || !text)
        return;
    put(u"<!--");
    putEscaped(text);
    put(u"-->");
    m_textWritten = true;
    flush();
}

void CXmlStreamWriter::addText(const char16_t* text) {
    if (m_error || !text)
        return;
    putEscaped(text);
    m_textWritten = true;
    flush();
}

void CXmlStreamWriter::newLine() {
    if (m_error)
        return;
    put(u"\r\n");
    flush();
}
