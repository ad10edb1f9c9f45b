#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"

#include <cstdint>

// The reading shapes shared by the game's configuration files.
//
// A setting is an element whose attribute "Value" holds its value (a missing
// "Value" reads as 0, 0.0, an empty text or the empty name); a list entry is
// an empty element carrying its values as attributes. Element names compare
// exactly. Readers walk the document node by node, pass over what they do not
// know and stop at the end element of their own name or at the end of the
// document, keeping whatever they read.

// Two numbers of one value, such as a time or money range ("15000,30000").
struct GIntRange {
    int min = 0;
    int max = 0;
    friend bool operator==(const GIntRange&, const GIntRange&) = default;
};
struct GFloatRange {
    float min = 0.0f;
    float max = 0.0f;
    friend bool operator==(const GFloatRange&, const GFloatRange&) = default;
};

// "Configuration cut short, kept what was read: <rootName>" at warning level.
void logDocumentCutShort(const char16_t* rootName);

// A value drawn from `range` with the engine's fast generator: min + up to
// (max - min), both ends included for ints, max excluded for floats. A range
// written the wrong way round (max below min) gives min without a draw.
[[nodiscard]] int drawFromRange(GIntRange range);
[[nodiscard]] float drawFromRange(GFloatRange range);

// True when the reader stands on a start element named exactly `name`.
[[nodiscard]] inline bool isStartElement(const CXmlStreamReader& reader, const char16_t* name) {
    return reader.nodeType() == CXmlStreamReader::Element && reader.nodeName() == name;
}
// True when the reader stands on the end element named exactly `name`.
[[nodiscard]] inline bool isEndElement(const CXmlStreamReader& reader, const char16_t* name) {
    return reader.nodeType() == CXmlStreamReader::ElementEnd && reader.nodeName() == name;
}

// Calls `onElement(reader)` for every start element that follows the current
// node, up to the end element named `endName`. `onElement` may read further
// (the children of its element, with a nested call); whatever it leaves is
// visited in turn. Answers true when the end element was reached, false when
// the document ended first.
//
// When the reader stands on a start element written "<Name/>", that element
// has no children and no end element: nothing is read and the answer is true,
// so the siblings that follow are left to the caller.
template <class OnElement>
bool readChildElements(CXmlStreamReader& reader, const char16_t* endName, OnElement&& onElement) {
    if (reader.nodeType() == CXmlStreamReader::Element && reader.isSelfClosing())
        return true;
    while (reader.readNext()) {
        const int type = reader.nodeType();
        if (type == CXmlStreamReader::Element)
            onElement(reader);
        else if (type == CXmlStreamReader::ElementEnd && reader.nodeName() == endName)
            return true;
    }
    return false;
}

// readChildElements over a whole document whose root is `rootName`; the root
// element itself is offered to `onElement` like any other. A root written
// "<Name/>" is a whole, empty document. When the document ends before the
// root's end element, logs one warning naming the root.
template <class OnElement>
bool readConfigDocument(CXmlStreamReader& reader, const char16_t* rootName, OnElement&& onElement) {
    bool first = true;
    while (reader.readNext()) {
        const int type = reader.nodeType();
        if (type == CXmlStreamReader::Element) {
            const bool emptyRoot = first && reader.isSelfClosing() && reader.nodeName() == rootName;
            first = false;
            onElement(reader);
            if (emptyRoot)
                return true;
        } else if (type == CXmlStreamReader::ElementEnd && reader.nodeName() == rootName) {
            return true;
        }
    }
    logDocumentCutShort(rootName);
    return false;
}

// The attribute "Value" of the current element.
[[nodiscard]] const CStringW& valueText(const CXmlStreamReader& reader);
[[nodiscard]] int valueInt(const CXmlStreamReader& reader);
[[nodiscard]] float valueFloat(const CXmlStreamReader& reader);
// Narrowed to 8 bits (the low byte of each character) and interned.
[[nodiscard]] CName valueName(const CXmlStreamReader& reader);
// True exactly when the value is the text "true".
[[nodiscard]] bool valueIsTrue(const CXmlStreamReader& reader);
// The first two numbers of the value; see parseIntPair and parseFloatPair.
[[nodiscard]] GIntRange valueIntRange(const CXmlStreamReader& reader);
[[nodiscard]] GFloatRange valueFloatRange(const CXmlStreamReader& reader);
// The value split at ';', each part trimmed and interned, empty parts left out.
[[nodiscard]] CArray<CName> valueNames(const CXmlStreamReader& reader);

// The same for a named attribute of the current element.
[[nodiscard]] CName attributeName(const CXmlStreamReader& reader, const char* attribute);
[[nodiscard]] GIntRange attributeIntRange(const CXmlStreamReader& reader, const char* attribute);
[[nodiscard]] GFloatRange attributeFloatRange(const CXmlStreamReader& reader, const char* attribute);
[[nodiscard]] CArray<CName> attributeNames(const CXmlStreamReader& reader, const char* attribute);

// The current element's name, narrowed and interned.
[[nodiscard]] CName elementName(const CXmlStreamReader& reader);

// Splits `text` at every `separator`, keeping empty pieces: "a;b;" gives
// "a", "b" and "", an empty text one empty piece.
[[nodiscard]] CArray<CStringW> splitText(const CStringW& text, char16_t separator);
