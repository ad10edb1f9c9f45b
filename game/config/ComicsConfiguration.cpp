#include "game/config/ComicsConfiguration.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

GComicsEntry::~GComicsEntry() = default;

void GComicsEntry::readFromXml(CXmlStreamReader& reader) {
    readChildElements(reader, u"Comics", [this](CXmlStreamReader& r) {
        if (r.nodeName() == u"Level")
            Level = valueInt(r);
        else if (r.nodeName() == u"ScenePath")
            ScenePath = CString(valueText(r));
    });
}

ComicsConfiguration::~ComicsConfiguration() = default;

bool ComicsConfiguration::readFromXml(CXmlStreamReader& reader) {
    m_entries.clear();
    return readConfigDocument(reader, u"ComicsConfiguration", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Comics"))
            return;
        CRefHandle<GComicsEntry> entry(new GComicsEntry);
        entry->readFromXml(r);
        m_entries.insert(entry->Level, entry);
    });
}

GComicsEntry* ComicsConfiguration::find(int level) const {
    auto found = m_entries.find(level);
    return found == m_entries.end() ? nullptr : found->value.get();
}
