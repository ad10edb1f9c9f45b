#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"

#include <cstdint>
#include <vector>

class IWritableFile;

// Writes XML onto a writable file as UTF-16 little-endian text, one tab of
// indentation per open element, with '&', '<', '>', quotes, carriage returns
// and line feeds escaped so that CXmlStreamReader reads texts and attribute
// values back unchanged. Line breaks come only from `newLine` (and once from
// `startDocument`): callers lay the document out, as a rule one element per
// line.
//
// A write that the file does not take whole sets a sticky error flag and
// stops further output; callers check `hasError()` before reporting a save as
// done. A writer over a null file writes nothing and reports an error.
class CXmlStreamWriter final : public CRefCounted {
public:
    // Takes one reference on `target` (may be null) until destruction.
    explicit CXmlStreamWriter(IWritableFile* target);

    // Byte-order mark, the declaration <?xml version="1.0"?> and a line break.
    void startDocument();
    // Writes the indentation, "<name" and the attributes, then " />" when
    // `empty` or ">" (one level deeper) otherwise. Pairs are taken while both
    // arrays have an element. Nothing happens for a null name.
    void openElement(const char16_t* name, bool empty, const CArray<CStringW>& attributeNames,
                     const CArray<CStringW>& attributeValues);
    // The same with up to five pairs; a pair with a null name or value is
    // left out.
    void openElement(const char16_t* name, bool empty, const char16_t* name1 = nullptr,
                     const char16_t* value1 = nullptr, const char16_t* name2 = nullptr,
                     const char16_t* value2 = nullptr, const char16_t* name3 = nullptr,
                     const char16_t* value3 = nullptr, const char16_t* name4 = nullptr,
                     const char16_t* value4 = nullptr, const char16_t* name5 = nullptr,
                     const char16_t* value5 = nullptr);
    // "</name>", indented unless text was written since the element opened.
    // Does nothing when no element is open.
    void closeElement(const char16_t* name);
    // "<!--", the escaped text, "-->", without indentation.
    void addComment(const char16_t* text);
    // The escaped text.
    void addText(const char16_t* text);
    // "\r\n".
    void newLine();

    // Elements opened and not yet closed.
    [[nodiscard]] int depth() const { return m_depth; }
    // A write fell short (or there is no file): the output is incomplete.
    [[nodiscard]] bool hasError() const { return m_error; }

protected:
    ~CXmlStreamWriter() override;

private:
    void put(const char16_t* text);
    void putEscaped(const char16_t* text);
    void putAttribute(const char16_t* name, const char16_t* value);
    void putIndent(int levels);
    void openTag(const char16_t* name);
    void finishTag(bool empty);
    // Writes what the operation gathered, in one piece.
    void flush();

    IWritableFile* m_target = nullptr;
    int m_depth = 0;
    bool m_textWritten = false;
    bool m_error = false;
    // Bytes of the operation in progress.
    std::vector<uint8_t> m_pending;
};
