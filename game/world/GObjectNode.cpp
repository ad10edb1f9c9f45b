#include "game/world/GObjectNode.h"

#include "engine/core/CStringW.h"
#include "game/config/IGameLevel.h"

GObjectNode::GObjectNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
}

GObjectNode::~GObjectNode() {
    m_resources.clear();
    setScheduler(nullptr);
}

const CStringW& GObjectNode::getTypeName() const {
    static const CStringW name(u"GObjectNode");
    return name;
}

const CStringW& GObjectNode::getClassName() const { return GObjectNode::getTypeName(); }

BaseNode* GObjectNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GObjectNode>(parent, sceneManager);
}

void GObjectNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ControlNode::copyFrom(source, sceneManager);
    const GObjectNode* object = nodeCast<GObjectNode>(source);
    if (object && object != this)
        m_resources = object->m_resources;
}

bool GObjectNode::update(uint32_t) { return true; }

void GObjectNode::setLevelScene(IGameLevel* level) {
    if (!level)
        return;
    m_levelScene = level;
    m_levelConfiguration = level->getLevelConfiguration();
    m_objectsConfiguration = level->getObjectsConfiguration();
}

int GObjectNode::getResource(CName resource) const {
    auto found = m_resources.find(resource);
    return found == m_resources.end() ? 0 : found->value;
}

void GObjectNode::addResource(CName resource, int amount) {
    int& held = m_resources[resource];
    held = addAmounts(held, amount);
    if (held == 0)
        (void)m_resources.erase(resource);
}

void GObjectNode::addResources(const GResourceMap& amounts) {
    for (const auto& entry : amounts)
        addResource(entry.key, entry.value);
}

bool GObjectNode::hasResources(const GResourceMap& amounts) const {
    for (const auto& entry : amounts) {
        if (getResource(entry.key) < entry.value)
            return false;
    }
    return true;
}

bool GObjectNode::isEmpty() const {
    for (const auto& entry : m_resources) {
        if (entry.value > 0)
            return false;
    }
    return true;
}

void GObjectNode::takeResources(GResourceMap& target) {
    for (const auto& entry : m_resources) {
        int& moved = target[entry.key];
        moved = addAmounts(moved, entry.value);
    }
    m_resources.clear();
}

GResourceMap GObjectNode::getOtherResources() const {
    GResourceMap others;
    for (const auto& entry : m_resources) {
        const CName name = entry.key;
        if (!(name == nameIdMaterials() || name == nameIdGold() || name == nameIdMoney() || name == nameIdWorkers() ||
              name == nameIdGuests()))
            others.insert(name, entry.value);
    }
    return others;
}

bool GObjectNode::isStandardResource(CName resource) {
    return resource == nameIdMaterials() || resource == nameIdGold() || resource == nameIdMoney() ||
           resource == nameIdWorkers() || resource == nameIdGuests() || resource == nameIdBurstMoney();
}
