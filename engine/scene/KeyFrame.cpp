#include "engine/scene/KeyFrame.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/IPropertyData.h"
#include "engine/scene/PropertyValues.h"

#include <cmath>
#include <cstdint>
#include <limits>

KeyFrame::KeyFrame() : Animator(DefaultPeriod) {}

KeyFrame::~KeyFrame() = default;

const CStringW& KeyFrame::getTypeName() const {
    static const CStringW name(u"KeyFrame");
    return name;
}

const CStringW& KeyFrame::getClassName() const { return KeyFrame::getTypeName(); }

void KeyFrame::setPeriod(int32_t period) {
    m_period = period;
    setUpdateInterval(period < 0 ? 0u : uint32_t(period));
}

void KeyFrame::setTarget(BaseNode* node) {
    Animator::setTarget(node);
    if (!node || !m_properties)
        return;
    bind();
    m_current = 0;
    m_currentTime = 0.0f;
}

void KeyFrame::resetValues() {
    m_values.clear();
    if (!m_properties)
        return;
    for (int j = 0; j < m_properties->getCount(); ++j) {
        const CRefHandle<IPropertyData> value = m_properties->getValueAt(j);
        m_values.push_back(value ? value->clone() : CRefHandle<IPropertyData>());
    }
}

void KeyFrame::bind() {
    m_bindings.clear();
    BaseNode* target = getTarget();
    if (target && m_properties)
        target->getPropertyTable().indexesOf(*m_properties, m_bindings);
}

void KeyFrame::sizeCycleMarks() {
    m_landedAt.clear();
    m_landedAt.reserve(m_keys.size());
    for (uint32_t k = 0; k < m_keys.size(); ++k)
        m_landedAt.push_back(-1.0);
}

uint32_t KeyFrame::elapsedInSegment() const {
    const int whole = truncateToInt(m_currentTime);
    return whole > 0 ? uint32_t(whole) : 0u;
}

float KeyFrame::getTime() const {
    int64_t passed = 0;
    for (uint32_t k = 0; k <= m_current && k < m_keys.size(); ++k)
        passed += m_keys[k].t;
    return m_currentTime + float(passed);
}

int32_t KeyFrame::getDuration() const {
    int64_t total = 0;
    for (const Key& key : m_keys)
        total += key.t;
    return total > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : int32_t(total);
}

void KeyFrame::setKeyTime(uint32_t index, int32_t t) {
    if (index < m_keys.size())
        m_keys[index].t = t < 0 ? 0 : t;
}

void KeyFrame::clearCycleMarks() {
    for (double& mark : m_landedAt)
        mark = -1.0;
}

bool KeyFrame::advance() {
    const uint32_t count = m_keys.size();
    bool looped = false;
    // Backward jumps can cycle: landing on a key a second time closes a
    // cycle, which is dropped whole from the remaining time (and ends the
    // advance when it takes no time at all). The time consumed is summed in
    // double: at large times subtracting a short key from the float time
    // changes nothing.
    if (m_landedAt.size() != count)
        sizeCycleMarks();
    bool marksClear = false;
    double consumed = 0.0;
    while (m_current + 1 < count && m_currentTime >= float(m_keys[m_current + 1].t)) {
        const uint32_t reached = m_current + 1;
        const int32_t t = m_keys[reached].t;
        m_currentTime -= float(t);
        consumed += t;
        m_current = reached;
        const int32_t g = m_keys[reached].g;
        if (g == -1)
            continue;
        m_current = uint32_t(g);
        if (uint32_t(g) >= reached)
            continue;
        looped = true;
        if (!marksClear) {
            clearCycleMarks();
            marksClear = true;
        }
        if (m_landedAt[uint32_t(g)] >= 0.0) {
            const double cycle = consumed - m_landedAt[uint32_t(g)];
            if (cycle <= 0.0)
                break;
            m_currentTime = float(std::fmod(double(m_currentTime), cycle));
            clearCycleMarks();
        }
        m_landedAt[uint32_t(g)] = consumed;
    }
    return looped;
}

void KeyFrame::setToKey(uint32_t index) {
    if (!m_properties || index >= m_keys.size())
        return;
    BaseNode* target = getTarget();
    const Key& key = m_keys[index];
    for (int j = 0; j < m_properties->getCount(); ++j) {
        const int binding = uint32_t(j) < m_bindings.size() ? m_bindings[uint32_t(j)] : -1;
        if (binding == -1 || uint32_t(j) >= m_values.size())
            continue;
        CRefHandle<IPropertyData> value;
        if (uint32_t(j) < key.values.size() && key.values[uint32_t(j)])
            value = key.values[uint32_t(j)]->clone();
        m_values[uint32_t(j)] = value;
        if (target)
            target->getPropertyTable().setAt(target, binding, value);
    }
}

void KeyFrame::interpolateSegment(uint32_t index, uint32_t elapsed) {
    if (!m_properties)
        return;
    if (index + 1 >= m_keys.size() || elapsed == 0) {
        setToKey(index);
        return;
    }
    const Key& from = m_keys[index];
    const Key& to = m_keys[index + 1];
    const uint32_t length = uint32_t(to.t);
    const uint32_t done = elapsed < length ? elapsed : length;
    if (done == length) {
        setToKey(index + 1);
        return;
    }
    if (to.i == HoldThenJump)
        return;
    BaseNode* target = getTarget();
    const float ratio = float(done) / float(length);
    for (int j = 0; j < m_properties->getCount(); ++j) {
        const uint32_t u = uint32_t(j);
        const int binding = u < m_bindings.size() ? m_bindings[u] : -1;
        if (binding == -1 || u >= from.values.size() || u >= to.values.size() || u >= m_values.size())
            continue;
        const IPropertyData* start = from.values[u].get();
        const IPropertyData* end = to.values[u].get();
        const CRefHandle<IPropertyData>& current = m_values[u];
        if (!start || !end || !current)
            continue;
        const bool changed = to.i == 0 ? start->interpolate(end, current.get(), ratio)
                                       : start->interpolateEased(end, current.get(), ratio, unsigned(to.i));
        if (changed && target)
            target->getPropertyTable().setAt(target, binding, current);
    }
}

void KeyFrame::apply(int32_t time, bool applyValues) {
    int64_t start = time;
    if (start == 0) {
        start = m_timeShift;
        if (m_timeShift < 0) {
            const int32_t total = getDuration();
            CRandom* random = CEngineManagers::instance().getRandom();
            start = total > 0 && random ? int64_t(random->nextFast() % uint32_t(total)) + 1 : 0;
        }
    }
    if (start < 0)
        start = 0;
    m_currentTime = float(start);
    m_current = 0;
    advance();
    if (!applyValues || !m_properties)
        return;
    if (m_currentTime > 0.0f && m_current + 1 < m_keys.size() && m_keys[m_current + 1].i == HoldThenJump)
        setToKey(m_current);
    else
        interpolateSegment(m_current, elapsedInSegment());
}

bool KeyFrame::update(uint32_t elapsed) {
    CUpdateScheduler* scheduler = getScheduler();
    if (!getTarget() || !scheduler || elapsed == 0)
        return true;
    const uint32_t before = m_current;
    m_currentTime += m_speed * float(elapsed);
    const bool looped = advance();
    bool ended = false;
    if (m_current + 1 < m_keys.size()) {
        if (m_keys[m_current + 1].i != HoldThenJump || m_current == before)
            interpolateSegment(m_current, elapsedInSegment());
        else
            setToKey(m_current);
    } else {
        setToKey(m_current);
        setScheduler(nullptr);
        ended = true;
    }
    if (isReportPending() && (looped || ended))
        report(truncateToInt(m_currentTime), looped);
    // The report may have restarted or stopped this key: keep the entry only
    // while the key is still registered here.
    return getScheduler() == scheduler;
}

void KeyFrame::stop(bool complete, bool notify) {
    if (complete && m_current + 1 < m_keys.size())
        setToKey(m_keys.size() - 1);
    Animator::stop(complete, notify);
}

void KeyFrame::load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) {
    m_keys.clear();
    m_properties.reset();
    m_values.clear();
    m_bindings.clear();
    if (!reader)
        return;
    setPeriod(reader->attributeInt("Period", DefaultPeriod));
    m_timeShift = reader->attributeInt("TimeShift", 0);
    // A self-closing key element has nothing inside; reading on would take
    // the elements that follow it.
    if (reader->isSelfClosing())
        return;
    static const CStringW propertiesName(u"Properties");
    static const CStringW keyName(u"KeyFrame");
    // Per Properties entry, the number its key values carry in the file
    // ("Value" followed by it).
    CArray<int> columns;
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == elementName)
            break;
        if (type != CXmlStreamReader::Element)
            continue;
        if (reader->nodeName() == propertiesName) {
            m_properties.reset(new CPropertyBag(contentManager));
            static_cast<void>(m_properties->readXml(reader, true, propertiesName));
            // Entries of a type that is not registered hold no value: the bag
            // would not write them back, so the key drops them, and its values
            // keep their numbers when saved and read again.
            columns.clear();
            for (int j = 0, column = 0; j < m_properties->getCount(); ++column) {
                if (m_properties->getValueAt(j)) {
                    columns.push_back(column);
                    ++j;
                } else {
                    m_properties->removeAt(j);
                }
            }
        } else if (reader->nodeName() == keyName) {
            Key key;
            // Negative lengths would let an advance run backwards for ever.
            key.t = reader->attributeInt("t", 0);
            if (key.t < 0)
                key.t = 0;
            key.g = reader->attributeInt("g", -1);
            key.i = reader->attributeInt("i", HoldThenJump);
            if (key.i < HoldThenJump || key.i > MaxEasing)
                key.i = HoldThenJump;
            if (m_properties) {
                for (int j = 0; j < m_properties->getCount(); ++j) {
                    CRefHandle<IPropertyData> value;
                    if (const CRefHandle<IPropertyData> entry = m_properties->getValueAt(j)) {
                        value = entry->clone();
                        CStringW attributeName(u"Value");
                        attributeName += columns[uint32_t(j)];
                        value->fromStringW(reader->attribute(attributeName));
                    }
                    key.values.push_back(value);
                }
            }
            m_keys.push_back(key);
        }
    }
    // A jump to a key that does not exist is dropped.
    for (Key& key : m_keys)
        if (key.g < -1 || key.g >= int64_t(m_keys.size()))
            key.g = -1;
    for (uint32_t k = 1; k < m_keys.size(); ++k) {
        const Key& previous = m_keys[k - 1];
        const Key& next = m_keys[k];
        for (uint32_t j = 0; j < previous.values.size() && j < next.values.size(); ++j)
            if (previous.values[j] && next.values[j])
                previous.values[j]->prepareInterpolation(next.values[j].get());
    }
    sizeCycleMarks();
    resetValues();
    bind();
    m_current = 0;
    m_currentTime = 0.0f;
}

void KeyFrame::save(CXmlStreamWriter* writer, const CStringW& elementName) const {
    if (!writer)
        return;
    CStringW names[2];
    CStringW values[2];
    int extra = 0;
    if (m_period != DefaultPeriod) {
        names[extra] = u"Period";
        values[extra] = CStringW(m_period);
        ++extra;
    }
    if (m_timeShift != 0) {
        names[extra] = u"TimeShift";
        values[extra] = CStringW(m_timeShift);
        ++extra;
    }
    saveStart(writer, elementName, names, values, extra);
    if (m_properties && m_properties->getCount() > 0)
        static_cast<void>(m_properties->writeXml(writer, false, CStringW(u"Properties"), true));
    // Every key is written, values or not: a key that only times the
    // animation keeps its length.
    for (const Key& key : m_keys) {
        CArray<CStringW> keyNames;
        CArray<CStringW> keyValues;
        keyNames.push_back(CStringW(u"t"));
        keyValues.push_back(CStringW(key.t));
        if (key.g != -1) {
            keyNames.push_back(CStringW(u"g"));
            keyValues.push_back(CStringW(key.g));
        }
        if (key.i != HoldThenJump) {
            keyNames.push_back(CStringW(u"i"));
            keyValues.push_back(CStringW(key.i));
        }
        for (uint32_t j = 0; j < key.values.size(); ++j) {
            CStringW valueName(u"Value");
            valueName += int(j);
            keyNames.push_back(valueName);
            keyValues.push_back(getPropertyStringW(key.values[j]));
        }
        writer->openElement(u"KeyFrame", true, keyNames, keyValues);
        writer->newLine();
    }
    saveEnd(writer, elementName);
}

CRefHandle<Animator> KeyFrame::clone() const {
    KeyFrame* copy = new KeyFrame();
    copy->setName(getName());
    copy->setPeriod(m_period);
    copy->m_timeShift = m_timeShift;
    if (m_properties)
        copy->m_properties = m_properties->clone();
    copy->resetValues();
    copy->m_keys = m_keys;
    copy->sizeCycleMarks();
    return CRefHandle<Animator>(copy);
}
