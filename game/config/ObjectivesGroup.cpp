#include "game/config/ObjectivesGroup.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

ObjectivesGroup::~ObjectivesGroup() = default;

void ObjectivesGroup::readFromXml(CXmlStreamReader& reader) {
    m_objectives.clear();
    readChildElements(reader, u"ObjectivesGroup", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Objective"))
            return;
        std::unique_ptr<GObjective> objective = GObjective::create(r.attribute("Type"));
        if (!objective)
            return;
        objective->readFromXml(r);
        m_objectives.push_back(std::move(objective));
    });
}

bool ObjectivesGroup::isComplete(const IObjectiveLevel& level) const {
    for (const std::unique_ptr<GObjective>& objective : m_objectives) {
        if (!objective->isComplete(level))
            return false;
    }
    return true;
}

void ObjectivesGroup::resetAll() {
    for (const std::unique_ptr<GObjective>& objective : m_objectives)
        objective->reset();
}

void ObjectivesGroup::add(std::unique_ptr<GObjective> objective) {
    if (objective)
        m_objectives.push_back(std::move(objective));
}
