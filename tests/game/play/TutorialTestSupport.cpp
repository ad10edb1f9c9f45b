#include "tests/game/play/TutorialTestSupport.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"

namespace {

std::string names(const CArray<CName>& list) {
    std::string out;
    for (CName name : list)
        out += std::string(out.empty() ? "" : ",") + name.str().c_str();
    return out;
}

} // namespace

bool RecordingLevel::handleEvent(CEvent* event) {
    ids.push_back(event->getType());
    std::string line = std::to_string(event->getType());
    if (auto* pause = dynamic_cast<GPauseRequestMessage*>(event)) {
        line += pause->getPause() ? " pause" : " resume";
    } else if (auto* modifier = dynamic_cast<GLevelModifierRequestMessage*>(event)) {
        line += " " + std::string(modifier->getModifier().str().c_str()) + "=" +
                std::to_string(modifier->getModifierValue()).substr(0, 4);
    } else if (auto* query = dynamic_cast<GBuildingExistsQueryMessage*>(event)) {
        line += " types " + names(query->getBuildingTypes()) + " places " + names(query->getPlaceNames());
        for (CName type : query->getBuildingTypes())
            for (const std::string& name : standing)
                if (name == type.str().c_str())
                    query->setAnswer(true);
    } else if (auto* request = dynamic_cast<GRandomEvent*>(event)) {
        line += " types " + names(request->getBuildingTypes()) + " places " + names(request->getPlaceNames());
        if (request->isOneTime())
            line += " one-time";
        if (auto* letter = dynamic_cast<GLetterEvent*>(event))
            line += " money " + std::to_string(letter->getMoneyRange().min).substr(0, 3) + "-" +
                    std::to_string(letter->getMoneyRange().max).substr(0, 3) + " wait " +
                    std::to_string(int64_t(letter->getWaitTimeRange().min)) + "-" +
                    std::to_string(int64_t(letter->getWaitTimeRange().max));
    }
    lines.push_back(line);
    return true;
}

CRefHandle<GTutorialAction> loadAction(const std::string& element) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(element.data(), element.size()));
    while (reader->readNext())
        if (reader->nodeType() == CXmlStreamReader::Element) {
            CRefHandle<GTutorialAction> action(createTutorialAction(reader->attribute("Type")));
            if (action)
                action->load(*reader);
            return action;
        }
    return {};
}
