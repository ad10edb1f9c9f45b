#include "game/nodes/GCounterTextNode.h"

#include "engine/core/CStringW.h"
#include "engine/nodes/TextFormatting.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/config/GNumberText.h"
#include "game/nodes/GNodeHelpers.h"

#include <cmath>

GCounterTextNode::GCounterTextNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : TextNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
    // A counting text schedules itself each time the walk reaches it, hidden or not.
    setRegistersWhileHidden(true);
}

GCounterTextNode::~GCounterTextNode() { setScheduler(nullptr); }

BaseNode* GCounterTextNode::create(const CObjectName& name) { return new GCounterTextNode(name, nullptr, nullptr); }

const CStringW& GCounterTextNode::getTypeName() const {
    static const CStringW name(u"GCounterTextNode");
    return name;
}

const CStringW& GCounterTextNode::getClassName() const { return GCounterTextNode::getTypeName(); }

const CPropertyTable& GCounterTextNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GCounterTextNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = GCounterTextNode;
        CPropertyTable t(TextNode::propertyTable());
        t.add<&N::setIntProperty<&N::m_startValue>, &N::getIntProperty<&N::m_startValue>>("StartValue");
        t.add<&N::setIntProperty<&N::m_endValue>, &N::getIntProperty<&N::m_endValue>>("EndValue");
        t.add<&N::setIntProperty<&N::m_countingTime>, &N::getIntProperty<&N::m_countingTime>>("CountingTime");
        t.add<&N::setIntProperty<&N::m_valueDisplayMode>, &N::getIntProperty<&N::m_valueDisplayMode>>(
            "ValueDisplayMode");
        t.add<&N::setStartCountingProperty, &N::getStartCountingProperty>("StartCounting");
        return t;
    }();
    return table;
}

template <int32_t GCounterTextNode::*Field>
void GCounterTextNode::setIntProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyInt(value);
}

template <int32_t GCounterTextNode::*Field> CRefHandle<IPropertyData> GCounterTextNode::getIntProperty() const {
    return CPropertyDataInt::create(this->*Field);
}

void GCounterTextNode::setStartCountingProperty(const CRefHandle<IPropertyData>& value) {
    setCounting(getPropertyBool(value));
}

CRefHandle<IPropertyData> GCounterTextNode::getStartCountingProperty() const {
    return CPropertyDataBool::create(m_startCounting);
}

void GCounterTextNode::writeProperties(CPropertyBag& bag) const {
    TextNode::writeProperties(bag);
    if (m_startValue != 0)
        bag.setInt("StartValue", m_startValue);
    if (m_endValue != 100)
        bag.setInt("EndValue", m_endValue);
    if (m_countingTime != 1000)
        bag.setInt("CountingTime", m_countingTime);
    if (m_startCounting)
        bag.setBool("StartCounting", true);
    if (m_lifeTime != 0)
        bag.setInt("LifeTime", m_lifeTime);
    if (m_valueDisplayMode != ShowNumber)
        bag.setInt("ValueDisplayMode", m_valueDisplayMode);
}

void GCounterTextNode::readProperties(const CPropertyBag& bag) {
    TextNode::readProperties(bag);
    const struct {
        const char* key;
        int32_t GCounterTextNode::*field;
    } keys[] = {{"StartValue", &GCounterTextNode::m_startValue},
                {"EndValue", &GCounterTextNode::m_endValue},
                {"CountingTime", &GCounterTextNode::m_countingTime},
                {"LifeTime", &GCounterTextNode::m_lifeTime},
                {"ValueDisplayMode", &GCounterTextNode::m_valueDisplayMode}};
    for (const auto& key : keys)
        if (bag.indexOf(key.key) >= 0)
            this->*key.field = getPropertyInt(bag.get(key.key));
    if (bag.indexOf("StartCounting") >= 0)
        m_startCounting = getPropertyBool(bag.get("StartCounting"));
}

BaseNode* GCounterTextNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GCounterTextNode>(parent, sceneManager);
}

void GCounterTextNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    TextNode::copyFrom(source, sceneManager);
    const GCounterTextNode* other = nodeCast<GCounterTextNode>(source);
    if (!other || other == this)
        return;
    m_startValue = other->m_startValue;
    m_endValue = other->m_endValue;
    m_countingTime = other->m_countingTime;
    m_startCounting = other->m_startCounting;
    m_lifeTime = other->m_lifeTime;
    m_valueDisplayMode = other->m_valueDisplayMode;
}

void GCounterTextNode::registerForRendering(CArray<CRenderItem>& list) {
    TextNode::registerForRendering(list);
    if (m_startCounting)
        scheduleWithOwnerScene(*this, this);
}

void GCounterTextNode::setCounting(bool counting) {
    if (!counting) {
        m_startCounting = false;
        m_counting = false;
        return;
    }
    if (m_startCounting)
        return;
    m_startCounting = true;
    m_counting = true;
    m_lifeTime = 0;
    if (m_countingTime <= 0) {
        finishCount();
        return;
    }
    showValue(m_startValue);
}

void GCounterTextNode::finishCount() {
    m_lifeTime = m_countingTime > 0 ? m_countingTime : 0;
    m_counting = false;
    m_startCounting = false;
    showValue(m_endValue);
}

bool GCounterTextNode::update(uint32_t elapsed) {
    if (!m_counting)
        return false;
    const int64_t time = int64_t(m_lifeTime) + int64_t(elapsed);
    if (m_countingTime <= 0 || time >= m_countingTime) {
        finishCount();
        return true;
    }
    m_lifeTime = int32_t(time);
    const double step =
        double(int64_t(m_endValue) - int64_t(m_startValue)) * double(m_lifeTime) / double(m_countingTime);
    showValue(int32_t(int64_t(m_startValue) + int64_t(std::trunc(step))));
    return true;
}

void GCounterTextNode::showValue(int32_t value) {
    switch (m_valueDisplayMode) {
    case ShowNumber:
        setText(groupedNumber(value));
        break;
    case ShowMoney:
        setText(moneyText(value));
        break;
    case ShowMinutesSeconds:
        setText(formatMinutesSeconds(value > 0 ? uint32_t(value) : 0u));
        break;
    default:
        break;
    }
}
