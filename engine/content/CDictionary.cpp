#include "engine/content/CDictionary.h"

#include "engine/core/CEngineManagers.h"
#include "engine/io/CXmlStreamReader.h"

namespace {

CString narrowed(const char16_t* text, int count) {
    CString result;
    result.assign(text, count);
    return result;
}

// Index of the next '%' at or after `from`, or -1.
int findPercent(const CStringW& text, uint32_t from) {
    for (uint32_t i = from; i < text.length(); ++i)
        if (text[i] == u'%')
            return int(i);
    return -1;
}

} // namespace

CStringW CDictionary::translate(const CStringW& text) const {
    const uint32_t length = text.length();
    if (length < 2)
        return text;
    CStringW result;
    uint32_t i = 0;
    while (i + 1 < length) {
        const char16_t c = text[i];
        if (c != u'%') {
            result += c;
            ++i;
            continue;
        }
        if (text[i + 1] == u'%') {
            result += u'%';
            i += 2;
            continue;
        }
        const int close = findPercent(text, i + 1);
        if (close < 0) {
            // No closing '%': the rest is plain text, kept as written.
            result += CStringW(text.c_str() + i, int(length - i));
            return result;
        }
        result += get(narrowed(text.c_str() + i + 1, close - int(i) - 1));
        i = uint32_t(close) + 1;
    }
    if (i < length)
        result += text[i];
    return result;
}

CStringW CDictionary::get(const CString& key) const {
    auto found = m_texts.find(key);
    if (found != m_texts.end())
        return found->value;
    CStringW missing(u"%");
    missing += key;
    missing += u'%';
    return missing;
}

CStringW CDictionary::format(const CString& key, const CStringW& text1, const CStringW& text2, const CStringW& text3,
                             const CStringW& text4) const {
    const CStringW* const arguments[4] = {&text1, &text2, &text3, &text4};
    const CStringW text = get(key);
    const uint32_t length = text.length();
    CStringW result;
    uint32_t i = 0;
    int used = 0;
    while (i + 1 < length && used < 4) {
        if (text[i] == u'#' && (text[i + 1] == u'p' || text[i + 1] == u'P')) {
            result += *arguments[used++];
            i += 2;
        } else {
            result += text[i++];
        }
    }
    if (i < length)
        result += CStringW(text.c_str() + i, int(length - i));
    return result;
}

void CDictionary::set(const CString& key, const CStringW& text) { m_texts[key] = text; }

void CDictionary::clear() { m_texts.clear(); }

bool CDictionary::load(CXmlStreamReader* reader) {
    if (!reader)
        return false;
    while (reader->readNext()) {
        if (reader->nodeType() != CXmlStreamReader::Element)
            continue;
        // A self-closing section holds no entries and has no end to wait for.
        if (reader->nodeName() == u"Dictionary" && !reader->isSelfClosing())
            readDictionarySection(reader);
        else if (reader->nodeName() == u"texts" && !reader->isSelfClosing())
            readTextsSection(reader);
    }
    return true;
}

void CDictionary::readDictionarySection(CXmlStreamReader* reader) {
    CString key;
    bool pending = false;
    while (reader->readNext()) {
        switch (reader->nodeType()) {
        case CXmlStreamReader::Element:
            if (reader->nodeName() == u"s") {
                key = CString(reader->attribute("n"));
                pending = !key.empty();
                // A self-closing entry has no text and no end element: its
                // text is empty now, not whatever text comes next.
                if (pending && reader->isSelfClosing()) {
                    set(key, CStringW());
                    pending = false;
                }
            }
            break;
        case CXmlStreamReader::Text:
            if (pending) {
                set(key, reader->nodeText());
                pending = false;
            }
            break;
        case CXmlStreamReader::ElementEnd:
            if (reader->nodeName() == u"s") {
                if (pending)
                    set(key, CStringW());
                pending = false;
            } else if (reader->nodeName() == u"Dictionary") {
                return;
            }
            break;
        default:
            break;
        }
    }
}

void CDictionary::readTextsSection(CXmlStreamReader* reader) {
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == u"phrase")
            set(CString(reader->attribute("tag")), reader->attribute("text"));
        else if (reader->nodeType() == CXmlStreamReader::ElementEnd && reader->nodeName() == u"texts")
            return;
    }
}

// The managers' slot lives in the core library, which cannot build a
// dictionary: the getter is defined here, where the class is. Texts read
// into it later reach every holder of the pointer.
CDictionary* CEngineManagers::getDictionary() {
    if (!m_dictionary.get())
        m_dictionary.reset(new CDictionary);
    return m_dictionary.get();
}
