#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

class CXmlStreamReader;

// The texts shown to the player, looked up by key. Scenes and code write keys
// between percent signs ("%OkBtn%"); `translate` expands such references
// inside any text, `get` looks one key up and `format` fills the "#p"
// placeholders of a text with arguments. Keys are 8-bit and compared byte by
// byte; texts are 16-bit. One dictionary serves the process: the application
// installs it in the engine managers and fills it from its dictionary file.
class CDictionary : public CRefCounted {
public:
    CDictionary() = default;

    // `text` with every %key% replaced by get(key) and every "%%" by one '%'.
    // Substituted texts are not expanded again. A '%' without a closing one
    // is kept with the rest of the text, as is a '%' in the last position.
    [[nodiscard]] virtual CStringW translate(const CStringW& text) const;
    // The text of `key`; for a missing key "%" + key + "%", so that the
    // reference shows as it was written.
    [[nodiscard]] virtual CStringW get(const CString& key) const;
    // get(key) with its first four "#p" (or "#P") markers replaced by the
    // arguments in order; markers after the fourth stay as written. Callers
    // pass an empty text for an unused argument. The result is not
    // translated.
    [[nodiscard]] virtual CStringW format(const CString& key, const CStringW& text1, const CStringW& text2,
                                          const CStringW& text3, const CStringW& text4) const;
    // Stores or replaces the text of `key`.
    virtual void set(const CString& key, const CStringW& text);
    // Reads every "Dictionary" (entries "s" with the key in "n" and the text
    // as content) and "texts" (entries "phrase" with "tag" and "text")
    // section that `reader` yields, at any depth. Entries present are
    // replaced, none removed. False only for a null reader.
    [[nodiscard]] virtual bool load(CXmlStreamReader* reader);
    virtual void clear();

    [[nodiscard]] uint32_t size() const { return m_texts.size(); }
    [[nodiscard]] bool contains(const CString& key) const { return m_texts.contains(key); }

protected:
    ~CDictionary() override = default;

private:
    void readDictionarySection(CXmlStreamReader* reader);
    void readTextsSection(CXmlStreamReader* reader);

    CMap<CString, CStringW> m_texts;
};
