#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/core/CColorf.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/CPropertyObject.h"
#include "engine/scene/IPropertySerializable.h"

#include <cstdint>
#include <memory>

class CEmitterFactory;
class CPropertyTable;
class CRandom;
class CXmlStreamReader;
class IPropertyData;
template <class T> class CRefHandle;

// min when the range is empty (no number drawn), else min + (max - min) times
// one fast uniform draw of `random`.
[[nodiscard]] float randomInRange(CRandom& random, float min, float max);
[[nodiscard]] inline float randomInRange(CRandom& random, const CVector2d& range) {
    return randomInRange(random, range.x, range.y);
}
// The engine generator's draw.
[[nodiscard]] float randomInRange(const CVector2d& range);

// Whole degrees of `degrees` taken modulo 360 (same sign as the input),
// rounded to nearest (`round`) or truncated; 0 for values that are no number.
[[nodiscard]] int wholeDegrees(float degrees, bool round);

// One live particle, in the space of the system that owns it. Angles in
// degrees, times in ms, speeds per second.
struct Particle {
    float posX, posY;
    float velX, velY;
    float accX, accY;
    float angle, angVel, angAcc;
    float scale, startScale;
    float growCountdown, growTime;
    float scaleSpeed;
    CColorf colour;
    CColorf colourStep;
    uint32_t age;
    uint32_t lifetime;
};
static_assert(sizeof(Particle) == 96);

// The particles of one system: storage fixed at construction, the live ones
// first, in no particular order. Emitters fill it up to its capacity and
// never grow it.
class ParticleArray {
public:
    explicit ParticleArray(uint32_t capacity) : m_data(new Particle[capacity]), m_capacity(capacity) {}

    [[nodiscard]] uint32_t size() const { return m_count; }
    [[nodiscard]] uint32_t capacity() const { return m_capacity; }
    [[nodiscard]] Particle* data() { return m_data.get(); }
    [[nodiscard]] const Particle* data() const { return m_data.get(); }
    Particle& operator[](uint32_t i) { return m_data[i]; }
    const Particle& operator[](uint32_t i) const { return m_data[i]; }
    // Clamped to the capacity.
    void setSize(uint32_t count) { m_count = count < m_capacity ? count : m_capacity; }
    // The last particle moves into slot i.
    void removeSwapLast(uint32_t i) { m_data[i] = m_data[--m_count]; }

private:
    std::unique_ptr<Particle[]> m_data;
    uint32_t m_count = 0;
    uint32_t m_capacity;
};

// The common part of the particle emitters: name, rate, lifetime and the
// colour keys a system fades its particles through. Emits nothing itself.
// Emitters are 'pemt' content (every load hands out a clone) and run their
// emission every 30 ms on a scheduler.
class BaseEmitter : public CPropertyObject, public IContent, public CScheduledObject, public IPropertySerializable {
public:
    static constexpr int32_t TypeId = 0;
    static constexpr uint32_t UpdateInterval = 30;

    explicit BaseEmitter(const CObjectName& contentName);

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    [[nodiscard]] virtual const CStringW& getTypeName() const;
    [[nodiscard]] virtual const CStringW& getClassName() const;
    [[nodiscard]] virtual int32_t getTypeId() const { return TypeId; }
    [[nodiscard]] virtual bool isKindOf(int32_t id) const { return id == TypeId; }
    void unregister() { setScheduler(nullptr); }
    // Name, rates and colour keys; null does nothing.
    virtual void copyFrom(const BaseEmitter* source);

    [[nodiscard]] uint32_t getContentType() const override;
    [[nodiscard]] IContent* clone() const override;

    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;
    // Reads a "ParticleEmitter" element's body (the reader stands on its
    // start): each "Properties" child is read as a bag and applied in order.
    // The reader is left on the end element.
    void readFromXml(CXmlStreamReader* reader);

    bool update(uint32_t elapsed) override;

    [[nodiscard]] const CString& getName() const { return m_name; }
    void setName(const CString& name) { m_name = name; }
    [[nodiscard]] const CVector2d& getPPSRange() const { return m_ppsRange; }
    void setPPSRange(const CVector2d& range) { m_ppsRange = range; }
    [[nodiscard]] const CVector2d& getLifeTimeRange() const { return m_lifeTimeRange; }
    void setLifeTimeRange(const CVector2d& range) { m_lifeTimeRange = range; }
    [[nodiscard]] const CArray<CColor>& getColours() const { return m_colours; }
    [[nodiscard]] const CVector2d& getOrigin() const { return m_origin; }
    void setOrigin(const CVector2d& origin) { m_origin = origin; }
    // The owner's particles (not owned); null stops emission.
    void setParticles(ParticleArray* particles) { m_particles = particles; }
    [[nodiscard]] ParticleArray* getParticles() const { return m_particles; }
    // The source of the emitter's random numbers (not owned): the engine's
    // generator while none is set. Not copied.
    void setRandom(CRandom* random) { m_random = random; }
    [[nodiscard]] CRandom& random() const;

protected:
    ~BaseEmitter() override;
    // A fresh emitter of the same class, for clone.
    [[nodiscard]] virtual BaseEmitter* createSame() const;

    CString m_name;
    CVector2d m_origin;
    CVector2d m_ppsRange{10.0f, 10.0f};
    CVector2d m_lifeTimeRange{2000.0f, 3000.0f};
    CArray<CColor> m_colours;
    ParticleArray* m_particles = nullptr;
    CRandom* m_random = nullptr;

private:
    void setNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getNameProperty() const;
    void setPPSRangeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPPSRangeProperty() const;
    void setLifeTimeRangeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getLifeTimeRangeProperty() const;
};

// The settings both concrete emitters share, and their emission step: the
// rate drawn once per step, births written straight into the owner's array.
class ShapedEmitter : public BaseEmitter {
public:
    explicit ShapedEmitter(const CObjectName& contentName) : BaseEmitter(contentName) {}

    void copyFrom(const BaseEmitter* source) override;
    bool update(uint32_t elapsed) override;

    CVector2d velocityXRange, velocityYRange, velocityRotationAngleRange;
    CVector2d accelerationXRange, accelerationYRange;
    CVector2d angleRange, angVelocityRange;
    CColor colorStart{0xFFFFFFFFu};
    CColor colorEnd{0xFFFFFFFFu};
    float colorVariation = 0.0f;
    CVector2d scaleRange{1.0f, 1.0f};
    float scaleVariation = 0.0f;
    CVector2d startScaleTimeRange;
    // Emission time not yet turned into particles, ms.
    float accumulator = 0.0f;

protected:
    ~ShapedEmitter() override = default;
    // Draws the birth offset from the origin.
    [[nodiscard]] virtual CVector2d drawOffset(CRandom& random) const = 0;
    // Draws the start scale.
    [[nodiscard]] virtual float drawStartScale(CRandom& random) const = 0;
    static void addShapedProperties(CPropertyTable& table);
    // The shared keys, after the kind's own.
    void writeShaped(CPropertyBag& bag) const;
    void readShaped(const CPropertyBag& bag);
    void birth(Particle& p, CRandom& random) const;

public:
    // Table accessors shared by both kinds.
    template <CVector2d ShapedEmitter::*Field> void setRange(const CRefHandle<IPropertyData>& value);
    template <CVector2d ShapedEmitter::*Field> [[nodiscard]] CRefHandle<IPropertyData> getRange() const;
    template <CColor ShapedEmitter::*Field> void setColour(const CRefHandle<IPropertyData>& value);
    template <CColor ShapedEmitter::*Field> [[nodiscard]] CRefHandle<IPropertyData> getColour() const;
    template <float ShapedEmitter::*Field> void setFloat(const CRefHandle<IPropertyData>& value);
    template <float ShapedEmitter::*Field> [[nodiscard]] CRefHandle<IPropertyData> getFloat() const;
};

// Births on a circle of random radius around the origin.
class PointEmitter : public ShapedEmitter {
public:
    static constexpr int32_t TypeId = 1;

    explicit PointEmitter(const CObjectName& contentName) : ShapedEmitter(contentName) {}

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }
    void copyFrom(const BaseEmitter* source) override;
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    CVector2d radiusRange;

protected:
    ~PointEmitter() override = default;
    void setRadiusProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getRadiusProperty() const;
    [[nodiscard]] BaseEmitter* createSame() const override;
    [[nodiscard]] CVector2d drawOffset(CRandom& random) const override;
    [[nodiscard]] float drawStartScale(CRandom&) const override { return scaleRange.x; }
};

// Births in the band between an inner and an outer rectangle around the
// origin: one of the four sides chosen evenly, then a point on it.
class RectangleEmitter : public ShapedEmitter {
public:
    static constexpr int32_t TypeId = 2;

    explicit RectangleEmitter(const CObjectName& contentName) : ShapedEmitter(contentName) {}

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }
    void copyFrom(const BaseEmitter* source) override;
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    CVector2d xRange;
    CVector2d yRange;

protected:
    ~RectangleEmitter() override = default;
    void setXRangeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getXRangeProperty() const;
    void setYRangeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getYRangeProperty() const;
    [[nodiscard]] BaseEmitter* createSame() const override;
    [[nodiscard]] CVector2d drawOffset(CRandom& random) const override;
    [[nodiscard]] float drawStartScale(CRandom& random) const override {
        return randomInRange(random, scaleRange.x - scaleVariation, scaleRange.x + scaleVariation);
    }
};

// Registers "PointEmitter" and "RectangleEmitter" with `factory`.
void registerStandardEmitters(CEmitterFactory& factory);
