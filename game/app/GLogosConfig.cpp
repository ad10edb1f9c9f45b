#include "game/app/GLogosConfig.h"

#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"

namespace {

bool isTrue(const CStringW& text) { return text == u"true"; }

} // namespace

void GLogosConfig::readFromXml(CXmlStreamReader& reader) {
    while (reader.readNext()) {
        const CStringW& name = reader.nodeName();
        if (reader.nodeType() == CXmlStreamReader::ElementEnd) {
            if (name == u"Logos")
                return;
            continue;
        }
        if (reader.nodeType() != CXmlStreamReader::Element)
            continue;
        if (name == u"Logo") {
            GLogoEntry entry;
            entry.Image = CString(reader.attribute("Image"));
            entry.Time = reader.attributeInt("Time", 0);
            entry.Skippable = isTrue(reader.attribute("Skippable"));
            entry.Stretched = isTrue(reader.attribute("Stretched"));
            entry.BgColor = CColor(parseHex(reader.attribute("BgColor").c_str()));
            m_logos.push_back(entry);
        } else if (name == u"MMLogo") {
            GMenuLogoEntry entry;
            entry.Image = CString(reader.attribute("Image"));
            float x = 0.0f;
            float y = 0.0f;
            parseFloatPair(reader.attribute("Pos").c_str(), x, y);
            entry.Pos = CVector2d(x, y);
            entry.URL = CString(reader.attribute("URL"));
            m_menuLogos.push_back(entry);
        }
    }
}
