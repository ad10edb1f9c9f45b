#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class CStringW;
class CXmlStreamReader;
struct GLevelModifierValues;

// One change of one level-wide value (a row of GLevelModifierValues), read
// from a "Modifier" element: its Type names the value, its Value the factor,
// term or flag.
class GLevelModifier : public CRefCounted {
public:
    // One kind per value, in the block's order.
    enum Kind : uint8_t {
        MaterialDeliveryTimeM,
        WorkerDeliveryTimeM,
        GoldDeliveryTimeM,
        MaterialPriceM,
        WorkerPriceM,
        GoldM,
        WorkersCostA,
        BuildTimeM,
        CanReceiveMoneyLetters,
        CanBuildingsBroke,
        GuestsCountM,
        RandomResourceAppearTimeM,
        ActiveFeatureRechargingTimeM,
        KindCount
    };

    explicit GLevelModifier(Kind kind, float value = 0.0f) : m_kind(kind), m_value(value) {}

    // A new modifier (count 1, value 0) of the kind whose value name equals
    // `typeName` exactly, or null for any other name.
    [[nodiscard]] static GLevelModifier* create(const CStringW& typeName);
    // The value name of `kind` ("WorkerPriceM" ...).
    [[nodiscard]] static const char16_t* kindName(Kind kind);

    // Multiplies its value into the factors, adds it to WorkersCostA, or sets
    // a flag to (value > 0).
    void apply(GLevelModifierValues& values) const;
    // Takes the attribute "Value" of the current element (0.0 when missing).
    void readFromXml(const CXmlStreamReader& reader);

    [[nodiscard]] Kind getKind() const { return m_kind; }
    [[nodiscard]] float getValue() const { return m_value; }
    void setValue(float value) { m_value = value; }

protected:
    ~GLevelModifier() override;

private:
    Kind m_kind;
    float m_value;
};

// The spelling the level scene uses for the tutorial's modifier requests.
[[nodiscard]] inline GLevelModifier* createLevelModifier(const CStringW& typeName) {
    return GLevelModifier::create(typeName);
}
