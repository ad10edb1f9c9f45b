#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"

class CXmlStreamReader;

// The comic played after a level ("Comics" element).
class GComicsEntry : public CRefCounted {
public:
    GComicsEntry() = default;

    // The children of the current "Comics" element up to its end element.
    void readFromXml(CXmlStreamReader& reader);

    int Level = 0;
    CString ScenePath;

protected:
    ~GComicsEntry() override;
};

// Which comic plays at which level number ("scenes/ComicsConfiguration.xml");
// the first entry of a level wins.
class ComicsConfiguration : public CRefCounted {
public:
    static constexpr const char16_t* FileName = u"scenes/ComicsConfiguration.xml";

    ComicsConfiguration() = default;

    // Replaces the entries with those of the document. Answers false (after
    // one log line) when it ended before its "ComicsConfiguration" end
    // element; what was read stays.
    bool readFromXml(CXmlStreamReader& reader);

    // The entry of a level number, or null.
    [[nodiscard]] GComicsEntry* find(int level) const;
    [[nodiscard]] const CMap<int, CRefHandle<GComicsEntry>>& getEntries() const { return m_entries; }

protected:
    ~ComicsConfiguration() override;

private:
    CMap<int, CRefHandle<GComicsEntry>> m_entries;
};
