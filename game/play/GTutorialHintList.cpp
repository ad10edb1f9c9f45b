#include "game/play/GTutorialHintList.h"

#include "engine/io/CXmlStreamReader.h"

GTutorialHintList::~GTutorialHintList() = default;

void GTutorialHintList::read(CXmlStreamReader& reader) {
    m_hints.clear();
    while (reader.readNext()) {
        const int type = reader.nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader.nodeName() == u"Tutorial")
            return;
        if (type == CXmlStreamReader::Element && reader.nodeName() == u"Hint") {
            CRefHandle<GTutorialHint> hint(new GTutorialHint);
            hint->read(reader);
            m_hints.push_back(hint);
        }
    }
}
