#include "game/screens/HQConfiguration.h"

#include "engine/core/CString.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

void HQConfiguration::readFromXml(CXmlStreamReader& reader) {
    HQConfigItem item;
    bool inItem = false;
    // Carried from one item to the next.
    int32_t delay = 0;
    while (reader.readNext()) {
        if (isEndElement(reader, u"HQConfiguration"))
            return;
        if (isStartElement(reader, u"Item")) {
            item = HQConfigItem();
            inItem = !reader.isSelfClosing();
            if (!inItem) {
                item.timeDelay = delay;
                m_items.push_back(item);
            }
        } else if (isEndElement(reader, u"Item") && inItem) {
            item.timeDelay = delay;
            m_items.push_back(item);
            inItem = false;
        } else if (inItem && isStartElement(reader, u"Name")) {
            HQConfigEntry entry;
            entry.name = CName(CString(reader.attribute(u"Value")));
            item.entries.push_back(entry);
        } else if (inItem && isStartElement(reader, u"TimeDelay")) {
            delay = reader.attributeInt(u"Value", 0);
        }
    }
}

void HQConfiguration::clearFlashing(CName name) {
    for (HQConfigItem& item : m_items)
        for (HQConfigEntry& entry : item.entries)
            if (entry.name == name) {
                entry.flashing = false;
                return;
            }
}

void HQConfiguration::setAllFlashing() {
    for (HQConfigItem& item : m_items)
        for (HQConfigEntry& entry : item.entries)
            entry.flashing = true;
}
