#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/scene/IPropertyData.h"

class CColor;
class CVector2d;
class CVector3d;
class CXmlStreamReader;
class CXmlStreamWriter;
class IContent;
class IContentManager;

// An ordered collection of named property values: how objects, scene files,
// keys and profiles exchange properties. Entries keep their insertion order
// (files are written in it) and are found by name through an index. Names
// are 8-bit and compared exactly.
//
// Names are unique when entries go in through `set`; `add` and reading XML
// append without looking, and the index then maps a repeated name to its
// later entry. A value may be null (an element whose type is not
// registered): such an entry is found and counted but not written back.
class CPropertyBag : public CRefCounted {
public:
    // `contentManager` (may be null, not owned, must outlive the bag) is
    // handed to the values read from XML so that content references load.
    explicit CPropertyBag(IContentManager* contentManager = nullptr);
    [[nodiscard]] static CRefHandle<CPropertyBag> create(IContentManager* contentManager = nullptr);

    [[nodiscard]] IContentManager* getContentManager() const { return m_contentManager; }
    void setContentManager(IContentManager* contentManager) { m_contentManager = contentManager; }

    [[nodiscard]] int getCount() const { return int(m_entries.size()); }
    // The name at `index`; the empty name past the end.
    [[nodiscard]] const CString& getNameAt(int index) const;
    // The value at `index`; null past the end.
    [[nodiscard]] CRefHandle<IPropertyData> getValueAt(int index) const;
    // Replaces the value at `index`; nothing past the end.
    void setValueAt(int index, const CRefHandle<IPropertyData>& value);
    // Position of the entry the name maps to, or -1.
    [[nodiscard]] int indexOf(const CString& name) const;
    [[nodiscard]] CRefHandle<IPropertyData> get(const CString& name) const;
    // Replaces the value of the named entry in place, else appends an entry.
    void set(const CString& name, const CRefHandle<IPropertyData>& value);
    // Appends an entry even when the name is present.
    void add(const CString& name, const CRefHandle<IPropertyData>& value);
    // Removes the entry the name maps to; nothing when absent.
    void remove(const CString& name);
    // Removes the entry at `index` (later entries move down) and rebuilds the
    // index; nothing past the end.
    void removeAt(int index);
    void clear();
    // A deep copy: same content manager, each value cloned, order kept.
    [[nodiscard]] CRefHandle<CPropertyBag> clone() const;

    // Typed getters: the value of an entry of that kind, else the kind's
    // zero. getString gives the text of a value of any kind.
    [[nodiscard]] int getInt(const CString& name) const;
    [[nodiscard]] bool getBool(const CString& name) const;
    [[nodiscard]] float getFloat(const CString& name) const;
    [[nodiscard]] CString getString(const CString& name) const;

    // Typed setters: a new value of that kind stored with `set`, replacing
    // an entry of that name whatever its kind.
    void setInt(const CString& name, int value);
    void setBool(const CString& name, bool value);
    void setFloat(const CString& name, float value);
    void setColor(const CString& name, const CColor& value);
    void setString(const CString& name, const CString& value);
    void setStringW(const CString& name, const CStringW& value);
    void setVector2d(const CString& name, const CVector2d& value);
    void setVector3d(const CString& name, const CVector3d& value);
    void setAtlasTexture(const CString& name, IContent* texture);
    // A "properties" value referring to `bag` itself, not a copy.
    void setProperties(const CString& name, CPropertyBag* bag);

    // Empties the bag and reads it from the reader's current element (named
    // `elementName`, "Properties" when empty): each child element is one
    // value, its element name the type name and its "Name" attribute the
    // property name, up to the element's end (or the end of the input).
    // False for a null reader, for a name mismatch when `checkName` is set,
    // and for bags nested too deeply (logged).
    [[nodiscard]] bool readXml(CXmlStreamReader* reader, bool checkName, const CStringW& elementName = CStringW());
    // Writes the values in order, each followed by a line break, inside the
    // element `elementName` ("Properties" when empty) when `withTags` is
    // set, else straight into whatever element the caller has open. False
    // for a null writer or when the writer's output fell short.
    [[nodiscard]] bool writeXml(CXmlStreamWriter* writer, bool startDocument, const CStringW& elementName = CStringW(),
                                bool withTags = true) const;

    // Nested "properties" values deeper than this are skipped when read.
    static constexpr int MaxNesting = 64;

protected:
    ~CPropertyBag() override;

private:
    friend class CPropertyDataProperties;

    struct Entry {
        CString name;
        CRefHandle<IPropertyData> value;
    };

    // readXml for a bag `depth` levels down from the outermost one.
    bool readXmlAtDepth(CXmlStreamReader* reader, bool checkName, const CStringW& elementName, int depth);
    void rebuildIndex();

    IContentManager* m_contentManager;
    CArray<Entry> m_entries;
    CMap<CString, int> m_index;
};
