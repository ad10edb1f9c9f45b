#include "engine/nodes/SpawnerNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/ParticleEmitter.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"

#include <vector>

namespace {

bool has(const CPropertyBag& bag, const char* key) { return bag.indexOf(key) >= 0; }

void writeRange(CPropertyBag& bag, const char* key, const CVector2d& value, const CVector2d& fallback) {
    if (value.x != fallback.x || value.y != fallback.y)
        bag.setVector2d(key, value);
}

void readRange(const CPropertyBag& bag, const char* key, CVector2d& field) {
    if (has(bag, key))
        field = getPropertyVector2d(bag.get(key));
}

// A drawn count or time as a whole number, 0 for what is no number.
int32_t truncated(float value) {
    if (!(value > -2.0e9f && value < 2.0e9f))
        return value > 0.0f ? 2000000000 : 0;
    return int32_t(value);
}

} // namespace

SpawnerNode::SpawnerNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
    // It schedules itself each time the walk reaches it, hidden or not.
    setRegistersWhileHidden(true);
}

SpawnerNode::~SpawnerNode() { setScheduler(nullptr); }

const CStringW& SpawnerNode::getTypeName() const {
    static const CStringW name(u"SpawnerNode");
    return name;
}

const CStringW& SpawnerNode::getClassName() const { return SpawnerNode::getTypeName(); }

CRandom& SpawnerNode::random() const { return m_random ? *m_random : *CEngineManagers::instance().getRandom(); }

TemplateCollectionNode* SpawnerNode::managerTemplates() const {
    const SceneManager* manager = getSceneManager();
    return manager ? manager->getTemplateCollection() : nullptr;
}

void SpawnerNode::setObjTemplate(const CString& names) {
    splitNames(m_names, names, true);
    if (getSceneManager<BaseNode>())
        resolveTemplates(managerTemplates());
}

CString SpawnerNode::getObjTemplate() const {
    CString text;
    for (uint32_t i = 0; i < m_names.size(); ++i) {
        if (i)
            text += ";";
        text += m_names[i].str();
    }
    return text;
}

void SpawnerNode::resolveTemplates(TemplateCollectionNode* collection) {
    if (!collection)
        return;
    m_templates.clear();
    for (const CName& name : m_names)
        if (BaseNode* found = collection->findTemplate(name))
            m_templates.push_back(CRefHandle<BaseNode>::share(found));
}

bool SpawnerNode::onManagerAttached(CEventManagerAttached* event) {
    if (event && event->getManager())
        resolveTemplates(event->getManager()->getTemplateCollection());
    return false;
}

bool SpawnerNode::onTemplatesChanged(CEventTemplatesChanged* event) {
    if (event)
        resolveTemplates(event->getCollection());
    return false;
}

void SpawnerNode::restartDelay() { m_accumulator = -randomInRange(random(), startDelayRange); }

void SpawnerNode::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (enabled) {
        restartDelay();
        const BaseNode* scene = getOwnerScene<BaseNode>();
        if (CUpdateScheduler* scheduler = scene ? scene->getSceneScheduler() : nullptr)
            setScheduler(scheduler);
    } else {
        m_accumulator = 0.0f;
        setScheduler(nullptr);
    }
}

void SpawnerNode::setObjectsProperties(CPropertyBag* bag) {
    m_objectsProperties = CRefHandle<CPropertyBag>::share(bag);
}

void SpawnerNode::registerForRendering(CArray<CRenderItem>& list) {
    BaseNode::registerForRendering(list);
    if (!m_enabled || getScheduler())
        return;
    const BaseNode* scene = getOwnerScene<BaseNode>();
    if (CUpdateScheduler* scheduler = scene ? scene->getSceneScheduler() : nullptr)
        setScheduler(scheduler);
}

bool SpawnerNode::update(uint32_t elapsed) {
    m_accumulator += float(elapsed);
    if (!(m_accumulator > 0.0f))
        return true;
    const float rate = randomInRange(random(), perSecondRange);
    if (!(rate > 0.0f))
        return true; // no rate, or a negative one: nothing is made
    const float period = float(1000.0 / double(rate));
    const double due = double(m_accumulator) / double(period);
    if (!(due >= 1.0))
        return true;
    // A burst is bounded; time beyond it is not kept.
    const int32_t n = due > 1000.0 ? 1000 : int32_t(due);
    m_accumulator -= float(double(n) * double(period));
    if (due > 1000.0)
        m_accumulator = 0.0f;
    (void)spawn(n);
    return true;
}

BaseNode* SpawnerNode::spawn(int32_t count) {
    if (m_templates.empty() || count <= 0)
        return nullptr;
    CRandom& random = this->random();
    BaseNode* last = nullptr;
    static const CString lifeTimeKey("LifeTime");
    struct Saved {
        int index;
        CRefHandle<IPropertyData> value;
    };
    std::vector<Saved> saved;
    for (int32_t made = 0; made < count; ++made) {
        BaseNode* templ = m_templates[random.nextFast() % m_templates.size()].get();
        const CPropertyTable& table = templ->getPropertyTable();
        saved.clear();
        // Each value written is first taken, to be put back after the copy.
        auto set = [&](const CString& name, const CRefHandle<IPropertyData>& value) {
            const int index = table.indexOf(name);
            if (index < 0)
                return;
            saved.push_back({index, table.getAt(templ, index)});
            table.setAt(templ, index, value);
        };
        if (m_objectsProperties)
            for (int i = 0; i < m_objectsProperties->getCount(); ++i)
                set(m_objectsProperties->getNameAt(i), m_objectsProperties->getValueAt(i));
        set(lifeTimeKey, CPropertyDataInt::create(truncated(randomInRange(random, lifeTimeRange))));
        const CVector3d position = templ->getPosition();
        const CVector3d rotation = templ->getRotation();
        const bool visible = templ->isVisible();
        const float y = randomInRange(random, yDeltaRange);
        const float x = randomInRange(random, xDeltaRange);
        templ->setPosition({x, y, position.z});
        templ->setRotation({0.0f, 0.0f, randomInRange(random, rotationDeltaRange)});
        templ->markTransformDirty();
        BaseNode* object = templ->clone(this, nullptr);
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            table.setAt(templ, it->index, it->value);
        templ->setPosition(position);
        templ->setRotation(rotation);
        templ->setVisible(visible);
        templ->markTransformDirty();
        if (!object)
            continue;
        if (ghost)
            object->setNotSerialised(true);
        object->setVisible(true);
        last = object;
    }
    return last;
}

// ---------------------------------------------------------------------------
// Properties

template <CVector2d SpawnerNode::*Field> void SpawnerNode::setRange(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyVector2d(value);
}
template <CVector2d SpawnerNode::*Field> CRefHandle<IPropertyData> SpawnerNode::getRange() const {
    return CPropertyDataVector2d::create(this->*Field);
}
void SpawnerNode::setObjTemplateProperty(const CRefHandle<IPropertyData>& value) {
    setObjTemplate(getPropertyString(value));
}
CRefHandle<IPropertyData> SpawnerNode::getObjTemplateProperty() const {
    return CPropertyDataString::create(getObjTemplate());
}
void SpawnerNode::setEnabledProperty(const CRefHandle<IPropertyData>& value) { setEnabled(getPropertyBool(value)); }
CRefHandle<IPropertyData> SpawnerNode::getEnabledProperty() const { return CPropertyDataBool::create(m_enabled); }
void SpawnerNode::setGhostProperty(const CRefHandle<IPropertyData>& value) { ghost = getPropertyBool(value); }
CRefHandle<IPropertyData> SpawnerNode::getGhostProperty() const { return CPropertyDataBool::create(ghost); }

const CPropertyTable& SpawnerNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& SpawnerNode::propertyTable() {
    static const CPropertyTable table = [] {
        using S = SpawnerNode;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&S::setObjTemplateProperty, &S::getObjTemplateProperty>("ObjTemplate");
        t.add<&S::setEnabledProperty, &S::getEnabledProperty>("Enabled");
        t.add<&S::setGhostProperty, &S::getGhostProperty>("IsSpawnedObjectGhost");
        t.add<&S::setRange<&S::startDelayRange>, &S::getRange<&S::startDelayRange>>("ObjectsSpawnStartDelayRange");
        t.add<&S::setRange<&S::perSecondRange>, &S::getRange<&S::perSecondRange>>("ObjectsPerSecRange");
        t.add<&S::setRange<&S::lifeTimeRange>, &S::getRange<&S::lifeTimeRange>>("ObjectsLifeTimeRange");
        t.add<&S::setRange<&S::xDeltaRange>, &S::getRange<&S::xDeltaRange>>("ObjectsXDeltaRange");
        t.add<&S::setRange<&S::yDeltaRange>, &S::getRange<&S::yDeltaRange>>("ObjectsYDeltaRange");
        t.add<&S::setRange<&S::rotationDeltaRange>, &S::getRange<&S::rotationDeltaRange>>("ObjectsRotationDeltaRange");
        return t;
    }();
    return table;
}

void SpawnerNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!m_names.empty())
        bag.setString("ObjTemplate", getObjTemplate());
    if (!ghost)
        bag.setBool("IsSpawnedObjectGhost", false);
    if (!m_enabled)
        bag.setBool("Enabled", false);
    writeRange(bag, "ObjectsSpawnStartDelayRange", startDelayRange, {});
    writeRange(bag, "ObjectsPerSecRange", perSecondRange, {1.0f, 1.0f});
    writeRange(bag, "ObjectsLifeTimeRange", lifeTimeRange, {1000.0f, 1000.0f});
    writeRange(bag, "ObjectsXDeltaRange", xDeltaRange, {});
    writeRange(bag, "ObjectsYDeltaRange", yDeltaRange, {});
    writeRange(bag, "ObjectsRotationDeltaRange", rotationDeltaRange, {});
    if (m_objectsProperties)
        bag.setProperties("ObjectsProperties", m_objectsProperties.get());
}

void SpawnerNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    readRange(bag, "ObjectsSpawnStartDelayRange", startDelayRange);
    restartDelay();
    readRange(bag, "ObjectsPerSecRange", perSecondRange);
    readRange(bag, "ObjectsLifeTimeRange", lifeTimeRange);
    readRange(bag, "ObjectsXDeltaRange", xDeltaRange);
    readRange(bag, "ObjectsYDeltaRange", yDeltaRange);
    readRange(bag, "ObjectsRotationDeltaRange", rotationDeltaRange);
    if (has(bag, "ObjectsProperties")) {
        const CRefHandle<IPropertyData> value = bag.get("ObjectsProperties");
        const auto* properties = value && value->getTypeId() == IPropertyData::TypeProperties
                                     ? static_cast<const CPropertyDataProperties*>(value.get())
                                     : nullptr;
        setObjectsProperties(properties ? properties->getBag() : nullptr);
    }
    if (has(bag, "ObjTemplate"))
        setObjTemplate(getPropertyString(bag.get("ObjTemplate")));
    if (has(bag, "Enabled"))
        setEnabled(getPropertyBool(bag.get("Enabled")));
    if (has(bag, "IsSpawnedObjectGhost"))
        ghost = getPropertyBool(bag.get("IsSpawnedObjectGhost"));
}

BaseNode* SpawnerNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SpawnerNode>(parent, sceneManager);
}

void SpawnerNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const SpawnerNode* spawner = nodeCast<SpawnerNode>(source);
    if (!spawner || spawner == this)
        return;
    ghost = spawner->ghost;
    startDelayRange = spawner->startDelayRange;
    restartDelay();
    perSecondRange = spawner->perSecondRange;
    lifeTimeRange = spawner->lifeTimeRange;
    xDeltaRange = spawner->xDeltaRange;
    yDeltaRange = spawner->yDeltaRange;
    rotationDeltaRange = spawner->rotationDeltaRange;
    m_names = spawner->m_names;
    if (getSceneManager<BaseNode>())
        resolveTemplates(managerTemplates());
    setEnabled(spawner->m_enabled);
    m_objectsProperties = spawner->m_objectsProperties;
}
