#include "game/config/TabsConfiguration.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

TabsConfiguration::~TabsConfiguration() = default;

bool TabsConfiguration::readFromXml(CXmlStreamReader& reader) {
    m_tabs.clear();
    m_order.clear();
    return readConfigDocument(reader, u"TabsConfiguration", [this](CXmlStreamReader& r) {
        if (r.nodeName() == u"Tab")
            readTab(r, attributeName(r, "Type"));
    });
}

void TabsConfiguration::readTab(CXmlStreamReader& reader, CName type) {
    readChildElements(reader, u"Tab", [this, type](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Button"))
            return;
        auto [list, added] = m_tabs.insert(type, CArray<CName>());
        if (added)
            m_order.push_back(type);
        list->value.push_back(attributeName(r, "Template"));
    });
}

const CArray<CName>* TabsConfiguration::find(CName type) const {
    auto found = m_tabs.find(type);
    return found == m_tabs.end() ? nullptr : &found->value;
}
