#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/Animator.h"

#include <cstdint>

class CPropertyBag;
class IPropertyData;

// Animates named properties of its target through a list of key frames.
// The Properties bag names the properties (names of the target's class
// table) and gives their kinds; each key holds one value
// per property, the time t since the previous key, an optional jump g to
// another key once it is reached, and how the segment ending at it is
// interpolated (i: -1 hold then jump, 0 linear, 1 to 30 an easing curve).
//
// The animation starts TimeShift ms in (a negative TimeShift: at a random
// time), runs at Speed, and reports when it reaches its last key or first
// loops back through a backward jump; a looping key keeps running.
class KeyFrame : public Animator {
public:
    static constexpr int32_t TypeId = 1;
    static constexpr int32_t DefaultPeriod = 20;
    static constexpr int32_t HoldThenJump = -1;
    static constexpr int32_t MaxEasing = 30;

    struct Key {
        // One per Properties entry, in order; null when the entry's kind is
        // not registered.
        CArray<CRefHandle<IPropertyData>> values;
        int32_t t = 0;
        int32_t g = -1;
        int32_t i = HoldThenJump;
    };

    KeyFrame();

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || Animator::isKindOf(id); }

    // Binds the Properties to the target's table and rewinds to the first key.
    void setTarget(BaseNode* node) override;
    void apply(int32_t time, bool applyValues) override;
    [[nodiscard]] float getTime() const override;
    [[nodiscard]] int32_t getDuration() const override;
    // With `complete`, jumps to the values of the last key first.
    void stop(bool complete, bool notify) override;
    void load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) override;
    void save(CXmlStreamWriter* writer, const CStringW& elementName) const override;
    // Shares the key values with this key; the Properties bag is copied.
    [[nodiscard]] CRefHandle<Animator> clone() const override;
    [[nodiscard]] bool update(uint32_t elapsed) override;

    [[nodiscard]] int32_t getPeriod() const { return m_period; }
    void setPeriod(int32_t period);
    [[nodiscard]] int32_t getTimeShift() const { return m_timeShift; }
    void setTimeShift(int32_t timeShift) { m_timeShift = timeShift; }
    [[nodiscard]] float getSpeed() const { return m_speed; }
    void setSpeed(float speed) { m_speed = speed; }
    // The Properties as read; saving writes them unchanged however far the
    // animation has played.
    [[nodiscard]] CPropertyBag* getProperties() const { return m_properties.get(); }
    // The current animated value of Properties entry `index` (null when the
    // entry's kind is not registered).
    [[nodiscard]] IPropertyData* getValue(uint32_t index) const {
        return index < m_values.size() ? m_values[index].get() : nullptr;
    }
    [[nodiscard]] const CArray<Key>& getKeys() const { return m_keys; }
    // Sets the time t of key `index` (ms since the previous key; negative
    // counts as 0); nothing past the end.
    void setKeyTime(uint32_t index, int32_t t);
    [[nodiscard]] uint32_t getCurrentIndex() const { return m_current; }
    [[nodiscard]] float getCurrentTime() const { return m_currentTime; }

protected:
    ~KeyFrame() override;

private:
    // The working values start as copies of the Properties' values.
    void resetValues();
    void bind();
    // Moves the position by the current time; true when it looped back.
    bool advance();
    // One cycle mark per key, made when the keys are read.
    void sizeCycleMarks();
    void clearCycleMarks();
    // The current time as whole milliseconds for a segment: truncated,
    // saturated, and 0 for negative times.
    [[nodiscard]] uint32_t elapsedInSegment() const;
    void setToKey(uint32_t index);
    void interpolateSegment(uint32_t index, uint32_t elapsed);

    int32_t m_period = DefaultPeriod;
    int32_t m_timeShift = 0;
    float m_speed = 1.0f;
    CRefHandle<CPropertyBag> m_properties;
    // The current animated value of each Properties entry.
    CArray<CRefHandle<IPropertyData>> m_values;
    // Per Properties entry, its position in the target's table, or -1.
    CArray<int> m_bindings;
    CArray<Key> m_keys;
    uint32_t m_current = 0;
    float m_currentTime = 0.0f;
    // Per key, the time consumed when an advance last jumped back to it (-1:
    // not yet in this advance); landing on a key twice closes a cycle.
    CArray<double> m_landedAt;
};
