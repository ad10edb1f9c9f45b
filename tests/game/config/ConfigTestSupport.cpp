#include "tests/game/config/ConfigTestSupport.h"

#include "engine/core/CEvent.h"

#include <fstream>
#include <sstream>

CRefHandle<CXmlStreamReader> xmlReader(std::string_view text) {
    return CRefHandle<CXmlStreamReader>(new CXmlStreamReader(text.data(), text.size()));
}

CRefHandle<CXmlStreamReader> xmlReaderAt(std::string_view text, const char16_t* name) {
    CRefHandle<CXmlStreamReader> reader = xmlReader(text);
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == name)
            break;
    }
    return reader;
}

std::string fixtureText(const char* fileName) {
    std::ifstream in(std::string(BM_SOURCE_DIR) + "/tests/game/config/fixtures/" + fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool RecordingReceiver::handleEvent(CEvent* event) {
    seen.push_back(event->getType());
    return m_takes;
}

FakeLevel::FakeLevel() : receiver(new RecordingReceiver) {}

FakeLevel::~FakeLevel() = default;
