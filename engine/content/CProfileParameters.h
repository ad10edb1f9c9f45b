#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class CProfileManager;
class CXmlStreamReader;
class CXmlStreamWriter;

// One set of saved settings: a player's profile, the set shared by every
// player of the user, or the machine-wide set. An ordered list of named,
// typed values, stored in the profile file as a "Parameters" element with one
// child per value (<int Name="LevelIndex" Value="3" />), the layout of a
// property bag, and used through the same getters and setters.
//
// The kinds settings use ("int", "bool", "float", "string", "stringw") are
// held as values. Every other element, whatever its kind ("color", a nested
// "properties" set, a "stringwArray", a kind this build does not know), is
// kept as written, with everything inside it, and written back unchanged in
// its place, so that a save never loses what a file held. "stringwArray"
// values can be read and set as lists of texts.
class CProfileParameters : public CRefCounted {
public:
    // Other, StringWArray and Properties values are kept as written.
    enum class Kind { None, Int, Bool, Float, String, StringW, Other, StringWArray, Properties };

    // One node of a value kept as written, in document order: an element's
    // start (its attributes in order), an element's end, or a text.
    struct XmlNode {
        enum class Type : uint8_t { Open, Close, Text };
        Type type = Type::Open;
        // An element written "<name ... />": no Close node follows it.
        bool selfClosing = false;
        // The element's name, or the text of a Text node.
        CStringW text;
        CArray<CStringW> attributeNames;
        CArray<CStringW> attributeValues;
    };

    // `owner` (may be null) is the manager that saves this set; not owned.
    CProfileParameters(CProfileManager* owner, const CStringW& name);

    // The player's name; empty for the shared and machine-wide sets.
    [[nodiscard]] const CStringW& getName() const { return m_name; }
    [[nodiscard]] CProfileManager* getOwner() const { return m_owner; }
    void setOwner(CProfileManager* owner) { m_owner = owner; }

    // Asks the owner to save the file that holds this set; false without an
    // owner or when the save fails.
    [[nodiscard]] bool save();
    // Adds every value of `defaults` whose name this set lacks, in the
    // defaults' order. A name this set holds keeps its value, whatever its
    // kind.
    void applyDefaults(const CProfileParameters& defaults);
    // Empties the set, then reads values from `reader`, positioned at the
    // element that holds the "Parameters" element, up to the end of
    // "Parameters" (or of the holding element, should that come first).
    // False for a null reader.
    [[nodiscard]] bool readFrom(CXmlStreamReader* reader);
    // Writes the set as a "Parameters" element, each tag on its own line.
    // False for a null writer or when the writer failed.
    [[nodiscard]] bool writeTo(CXmlStreamWriter* writer) const;

    [[nodiscard]] uint32_t getCount() const { return m_entries.size(); }
    // Empty past the end.
    [[nodiscard]] const CString& getNameAt(uint32_t index) const;
    [[nodiscard]] Kind getKindAt(uint32_t index) const;
    // The value at `index` as written (its element first, then all inside
    // it), for the kinds kept that way; null for the others and past the end.
    [[nodiscard]] const CArray<XmlNode>* getXmlAt(uint32_t index) const;
    // Position of the entry of that name (the later one when a file held the
    // name twice), or -1.
    [[nodiscard]] int indexOf(const CString& name) const;
    [[nodiscard]] bool has(const CString& name) const { return indexOf(name) >= 0; }
    void remove(const CString& name);
    void removeAt(uint32_t index);
    void clear() { m_entries.clear(); }

    // The value of an entry of that kind, else the kind's zero.
    [[nodiscard]] int32_t getInt(const CString& name) const;
    [[nodiscard]] bool getBool(const CString& name) const;
    [[nodiscard]] float getFloat(const CString& name) const;
    // The text form of a value of any kind (for a kind kept as written, its
    // "Value" attribute); empty when absent.
    [[nodiscard]] CString getString(const CString& name) const;
    [[nodiscard]] CStringW getStringW(const CString& name) const;
    // The texts of a "stringwArray" value (the first attribute of each of
    // its "stringw" elements); empty for a value of another kind.
    [[nodiscard]] CArray<CStringW> getStringWArray(const CString& name) const;

    // Each replaces the entry of that name in place, whatever its kind, or
    // appends one.
    void setInt(const CString& name, int32_t value);
    void setBool(const CString& name, bool value);
    void setFloat(const CString& name, float value);
    void setString(const CString& name, const CString& value);
    void setStringW(const CString& name, const CStringW& value);
    void setStringWArray(const CString& name, const CArray<CStringW>& values);

    // Copies the entry at `index` of `source`, whatever its kind (a value
    // kept as written comes with all inside it), replacing the entry of that
    // name in place or appending. Nothing past the end.
    void copyEntry(const CProfileParameters& source, uint32_t index);

    // Same names, kinds and values in the same order.
    [[nodiscard]] bool equals(const CProfileParameters& other) const;

protected:
    ~CProfileParameters() override = default;

private:
    struct Entry {
        CString name;
        Kind kind = Kind::None;
        int32_t number = 0; // Int and Bool
        float real = 0.0f;
        CString narrow; // String
        CStringW wide;  // StringW
        // The kinds kept as written: the value's element, then all inside it.
        CArray<XmlNode> xml;
    };

    [[nodiscard]] const Entry* find(const CString& name) const;
    Entry& slotFor(const CString& name);
    [[nodiscard]] static CStringW textOf(const Entry& entry);
    [[nodiscard]] static bool sameValue(const Entry& a, const Entry& b);

    CProfileManager* m_owner;
    CStringW m_name;
    CArray<Entry> m_entries;
};
