#pragma once

#include "engine/core/CScheduledObject.h"
#include "engine/nodes/TextNode.h"

#include <cstdint>

class CPropertyBag;

// A text that counts an integer from StartValue to EndValue over
// CountingTime ms, shown as a grouped number, as money or as minutes and
// seconds. Changing EndValue while it counts retargets the count; the count
// still ends when its time is used up, showing EndValue exactly.
class GCounterTextNode : public TextNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2036;
    static constexpr uint32_t UpdateInterval = 30;
    // ValueDisplayMode values.
    static constexpr int32_t ShowNumber = 0;
    static constexpr int32_t ShowMoney = 1;
    static constexpr int32_t ShowMinutesSeconds = 2;

    GCounterTextNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || TextNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    // StartCounting read from a file only sets the requested flag.
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Draws the text; while a count is requested, keeps the node scheduled
    // with its scene.
    void registerForRendering(CArray<CRenderItem>& list) override;

    bool update(uint32_t elapsed) override;

    // true starts a count from StartValue (shown at once) unless one is
    // already requested; false stops it where it is. A CountingTime of 0 or
    // below shows EndValue at once and ends the count there.
    void setCounting(bool counting);
    [[nodiscard]] bool isCounting() const { return m_counting; }
    // Shows `value` in the current display mode (an unknown mode leaves the
    // text as it is).
    void showValue(int32_t value);

    [[nodiscard]] int32_t getStartValue() const { return m_startValue; }
    void setStartValue(int32_t value) { m_startValue = value; }
    [[nodiscard]] int32_t getEndValue() const { return m_endValue; }
    void setEndValue(int32_t value) { m_endValue = value; }
    [[nodiscard]] int32_t getCountingTime() const { return m_countingTime; }
    void setCountingTime(int32_t ms) { m_countingTime = ms; }
    [[nodiscard]] bool getStartCounting() const { return m_startCounting; }
    [[nodiscard]] int32_t getValueDisplayMode() const { return m_valueDisplayMode; }
    void setValueDisplayMode(int32_t mode) { m_valueDisplayMode = mode; }
    [[nodiscard]] int32_t getLifeTime() const { return m_lifeTime; }

protected:
    ~GCounterTextNode() override;

private:
    template <int32_t GCounterTextNode::*Field> void setIntProperty(const CRefHandle<IPropertyData>& value);
    template <int32_t GCounterTextNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getIntProperty() const;
    void setStartCountingProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getStartCountingProperty() const;
    void finishCount();

    int32_t m_startValue = 0;
    int32_t m_endValue = 100;
    int32_t m_countingTime = 1000;
    bool m_startCounting = false;
    bool m_counting = false;
    int32_t m_valueDisplayMode = ShowNumber;
    int32_t m_lifeTime = 0;
};
