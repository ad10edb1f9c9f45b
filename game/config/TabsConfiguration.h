#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"

class CXmlStreamReader;

// Which buttons each tab of the play screen's building and action panel
// shows: per tab type, the button template names in file order
// ("scenes/TabsConfiguration.xml").
class TabsConfiguration : public CRefCounted {
public:
    static constexpr const char16_t* FileName = u"scenes/TabsConfiguration.xml";

    TabsConfiguration() = default;

    // Replaces the lists with those of the document; several "Tab" elements
    // of one type add to one list, a "Tab" without buttons makes none.
    // Answers false (after one log line) when the document ended before its
    // "TabsConfiguration" end element.
    bool readFromXml(CXmlStreamReader& reader);
    // Reader on a "Tab" start element: appends its "Button" templates to the
    // list of `type`.
    void readTab(CXmlStreamReader& reader, CName type);

    // The list of `type`, or null when it has none.
    [[nodiscard]] const CArray<CName>* find(CName type) const;
    [[nodiscard]] const CMap<CName, CArray<CName>>& getTabs() const { return m_tabs; }
    // The tab types with a list, in the order of their first button in the file.
    [[nodiscard]] const CArray<CName>& getTabOrder() const { return m_order; }

protected:
    ~TabsConfiguration() override;

private:
    CMap<CName, CArray<CName>> m_tabs;
    CArray<CName> m_order;
};
