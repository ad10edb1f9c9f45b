#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class IReadableFile;

// Pull parser for the engine's XML files. The whole file is read and turned
// into UTF-16 text once at construction: UTF-8, UTF-16 or UTF-32 by their
// byte-order marks; without a mark UTF-8 when the bytes are valid UTF-8 (or
// the declaration names UTF-8, bad bytes then becoming U+FFFD), else 8-bit
// text taken byte for byte. Characters beyond U+FFFF become surrogate pairs.
// The caller then asks for one node after another with `readNext` and
// inspects its type, name or text and the attributes of the last element.
//
// The rules are tolerant and never report an error: malformed input gives
// whatever nodes the rules make of it. A comment ends at its first "-->". Every scan stops at the end of the
// text; a comment, CDATA section, instruction or tag left open there ends the
// document (`readNext` answers false).
//
// Text nodes keep their whitespace. Whitespace-only runs shorter than three
// characters between two tags are dropped; longer ones arrive as text nodes
// that callers skip.
//
// Attribute names and values stay in the text until asked for: the strings
// answered for them are made on first request and stay valid until the next
// element or element end. A reader is used by one thread at a time.
class CXmlStreamReader final : public CRefCounted {
public:
    // Node types answered by `nodeType`.
    static constexpr int NoNode = 0;
    static constexpr int Element = 1;
    static constexpr int ElementEnd = 2;
    static constexpr int Text = 3;
    static constexpr int Comment = 4;
    static constexpr int CData = 5;
    // A processing instruction or the XML declaration ("<?...>"); the node
    // text and the attributes stay those of the node before.
    static constexpr int Other = 6;

    // Reads `file` whole from its current position (callers hand it over at
    // 0); the file may be released right after. A null, empty or unreadable
    // file gives a reader whose first `readNext` answers false.
    explicit CXmlStreamReader(IReadableFile* file) : CXmlStreamReader(file, kPieceSize) {}
    // The same over bytes in memory, which are copied.
    CXmlStreamReader(const void* bytes, std::size_t count);

    // Parses the next node; false once the text is exhausted (or was never
    // read), and from then on.
    [[nodiscard]] bool readNext();

    [[nodiscard]] int nodeType() const { return m_nodeType; }
    // Element name, element end name as written after "</", or the text of a
    // text, comment or CDATA node. The two accessors answer the same string.
    [[nodiscard]] const CStringW& nodeName() const { return m_nodeText; }
    [[nodiscard]] const CStringW& nodeText() const { return m_nodeText; }
    // The last element ended with "/>"; no element end node follows it.
    [[nodiscard]] bool isSelfClosing() const { return m_selfClosing; }

    // Attributes of the last element, in document order. Text, comment and
    // CDATA nodes leave them in place; element end nodes clear them.
    [[nodiscard]] int attributeCount() const { return int(m_attributeCount); }
    // The name or value at `index`, or the shared empty string when out of range.
    [[nodiscard]] const CStringW& attributeName(int index) const;
    [[nodiscard]] const CStringW& attribute(int index) const;
    // The value of the first attribute named exactly `name`, or the shared
    // empty string (an empty name finds nothing).
    [[nodiscard]] const CStringW& attribute(const CStringW& name) const;
    [[nodiscard]] const CStringW& attribute(const char16_t* name) const;
    // `name` is ASCII, widened as CStringW widens 8-bit text.
    [[nodiscard]] const CStringW& attribute(const char* name) const;

    // The value parsed as an integer ("12", "-3"; 0 when it holds no number),
    // or `fallback` when there is no such attribute.
    [[nodiscard]] int attributeInt(int index, int fallback) const;
    [[nodiscard]] int attributeInt(const CStringW& name, int fallback) const;
    [[nodiscard]] int attributeInt(const char16_t* name, int fallback) const;
    [[nodiscard]] int attributeInt(const char* name, int fallback) const;
    // The value parsed as a float ("-1.5e3"), or `fallback` when missing.
    [[nodiscard]] float attributeFloat(int index, float fallback) const;
    [[nodiscard]] float attributeFloat(const CStringW& name, float fallback) const;
    [[nodiscard]] float attributeFloat(const char16_t* name, float fallback) const;
    [[nodiscard]] float attributeFloat(const char* name, float fallback) const;

    // The entries the shared entity table starts with (see entityTable); the
    // XML writer escapes exactly these characters.
    static constexpr std::array<const char16_t*, 7> kDefaultEntities = {u"&amp;",  u"<lt;",   u">gt;",  u"\"quot;",
                                                                        u"'apos;", u"\r#xD;", u"\n#xA;"};

    // The entity table shared by every reader of the process. Each entry is
    // the replacement character followed by the entity's name and ';' as it
    // follows '&' in the text ("&amp;" is the entry "&amp;"). It starts with
    // amp, lt, gt, quot, apos, "#xD;" and "#xA;". Every other character
    // reference ("&#N;", "&#xN;") is decoded too, one naming no character as
    // U+FFFD.
    [[nodiscard]] static const CArray<CStringW>& entityTable();
    // Appends `entry` (replacement character, then the name with its ';') to
    // the shared table; every reader, open ones included, uses it from then
    // on. An entry without a name is refused with a log line. Not to be
    // called while another thread reads XML.
    [[nodiscard]] static bool addEntity(const CStringW& entry);

protected:
    ~CXmlStreamReader() override;

private:
    friend class CXmlStreamReaderTestHook;

    // Bytes read at a time from a file that does not lie in memory.
    static constexpr std::size_t kPieceSize = 64 * 1024;

    // Reads `file` `pieceSize` bytes at a time (at least 4, so that the
    // first piece holds any byte-order mark). Tests and the fuzzer pass small
    // pieces through CXmlStreamReaderTestHook so that short texts cross piece
    // ends.
    CXmlStreamReader(IReadableFile* file, std::size_t pieceSize);

    // An attribute of the last element: where its name and value lie in the
    // text (the value with its entities replaced, followed by a 0 character)
    // and the strings made from them once asked for.
    struct Attribute {
        const char16_t* nameBegin = nullptr;
        const char16_t* valueBegin = nullptr;
        uint32_t nameLength = 0;
        uint32_t valueLength = 0;
        bool nameMade = false;
        bool valueMade = false;
        CStringW name;
        CStringW value;
    };

    // The buffer for a text of at most `characters` characters, or null
    // after logging a line that names `fileName` (null: bytes in memory).
    char16_t* allocateText(std::size_t characters, const CStringW* fileName);
    // Converts the `count` bytes at `bytes` (a whole file) into the text.
    void convertText(const uint8_t* bytes, std::size_t count, const CStringW* fileName);
    // Reads and converts `file` a piece at a time.
    void readPieces(IReadableFile* file, std::size_t pieceSize);
    // Ends the text after `length` characters and starts reading it.
    void finishText(std::size_t length);
    // Ends the document: every later readNext answers false.
    bool endOfText();
    // Replaces the entities in [amp, end), where `amp` is the first '&', in
    // place (the text is never visited again); answers the new end.
    static char16_t* decodeEntities(char16_t* amp, char16_t* end);
    // Stores [begin, end) in `out` with entities replaced; `amp` is the
    // first '&' in it, or end.
    static void assignDecoded(CStringW& out, char16_t* begin, char16_t* end, char16_t* amp);
    bool parseElement(char16_t* nameStart);
    // One more entry in m_attributes; out of the parsing loop, which needs it
    // only for an element with more attributes than any before.
    [[gnu::noinline]] void addAttributeSlot();
    bool parseComment(char16_t* bang);
    bool parseCData(char16_t* open);
    [[nodiscard]] int findAttribute(const char16_t* name) const;
    [[nodiscard]] int findAttribute(const char* name) const;
    // The value string of the attribute at `index` (which is in range).
    [[nodiscard]] const CStringW& valueAt(uint32_t index) const;

    std::unique_ptr<char16_t[]> m_text;
    char16_t* m_cursor = nullptr;
    char16_t* m_textStart = nullptr;
    // One past the last character; a 0 character is stored there, and a few
    // more follow it.
    char16_t* m_textEnd = nullptr;
    int m_nodeType = NoNode;
    CStringW m_nodeText;
    bool m_selfClosing = false;
    // The first m_attributeCount entries are the current attributes; the
    // strings beyond are kept so that their buffers are reused. Their strings
    // are made by the const accessors.
    mutable CArray<Attribute> m_attributes;
    uint32_t m_attributeCount = 0;
};
