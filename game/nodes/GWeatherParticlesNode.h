#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"

#include <cstdint>
#include <memory>

class CAtlasTexture;
class CGeometryBuffer;
class CRandom;
class CPropertyBag;
class CXmlStreamReader;

// One key of a weather timeline: at normalised age T the value is V.
struct GWeatherKey {
    float t = 0.0f;
    float v = 0.0f;
};

// What a weather configuration file sets: where particles are born, where
// they fly, how fast they turn and sway, how long they live, how many are
// born per second, and how they scale and fade over their life.
struct GWeatherConfiguration {
    // Longest timeline a file may give.
    static constexpr uint32_t MaxTimelineKeys = 256;

    CVector2d emitRectangleXSize{-20.0f, 1044.0f};
    // Only x (the largest spawn y) is used.
    CVector2d emitRectangleYSize{-20.0f, 600.0f};
    CVector2d centerPoint{512.0f, 2000.0f};
    CVector2d particleVelRange{200.0f, 250.0f};
    // Kept and copied; no motion uses it.
    CVector2d particleAccRange{0.0f, 0.0f};
    CVector2d particleAngularVelocityRange{0.0f, 0.0f};
    CVector2d particleNormalDeltaRange{0.0f, 0.0f};
    CVector2d particleNormalDeltaPeriodRange{0.0f, 0.0f};
    CVector2d particleLifetimeRange{0.0f, 0.0f};
    int32_t pps = 0;
    CArray<GWeatherKey> scaleX;
    CArray<GWeatherKey> scaleY;
    CArray<GWeatherKey> colorA;
};

// Moves `value` along `keys` for the normalised `age`, `next` being the
// index of the next key: a key whose time has come is taken (at most one per
// call), otherwise the value lies on the line from the key before. Past the
// last key the value stays.
void followWeatherTimeline(const CArray<GWeatherKey>& keys, float age, float& value, int32_t& next);

// Reads a weather configuration from `reader` into `configuration`: keys the
// document does not name keep their values. Answers false, logging one line
// and leaving `configuration` unchanged, when a timeline holds more than
// MaxTimelineKeys keys.
[[nodiscard]] bool readWeatherConfiguration(CXmlStreamReader& reader, GWeatherConfiguration& configuration);

// A screen-wide weather effect (rain, snow): up to Capacity textured quads
// born along the top of the picture, flying towards a common far point,
// swaying, turning, scaling and fading over their life, drawn as one indexed
// mesh with one texture. Scheduled with its scene while it has work; it
// starts again the next time it is drawn once it has stopped.
class GWeatherParticlesNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 2052;
    static constexpr uint32_t UpdateInterval = 30;
    static constexpr uint32_t Capacity = 2048;

    struct Particle {
        float age;
        float ageRate;
        CVector2d position;
        CVector2d velocity;
        CVector2d swayDirection;
        float swayAmplitude;
        int32_t swayTime;
        int32_t swayPeriod;
        float angle;
        float angularVelocity;
        float scaleX;
        float scaleY;
        int32_t nextScaleX;
        int32_t nextScaleY;
        float alpha;
        int32_t nextAlpha;
    };

    GWeatherParticlesNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // Copies the configuration, its file name (not read again), Enabled and
    // the texture; live particles are not copied.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Starts the effect when it is enabled, has a texture and is not yet
    // scheduled; adds the node while particles live.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;

    // Moves the particles by `elapsed` ms, spawns while enabled and rebuilds
    // the mesh. False (dropped) without a texture, or when disabled and no
    // particle is left.
    bool update(uint32_t elapsed) override;

    // Reads the configuration file through the engine's file system; a file
    // that does not open or does not read leaves the configuration as it
    // was. Every call empties the particles.
    void setConfigurationFilename(const CString& path);
    [[nodiscard]] const CString& getConfigurationFilename() const { return m_configurationFilename; }
    void setAtlasTexture(CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getAtlasTexture() const { return m_atlasTexture.get(); }
    // Off stops spawning; the live particles live out their lives.
    void setEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    // The source of random numbers (not owned); the engine's when none.
    void setRandom(CRandom* random) { m_random = random; }

    [[nodiscard]] const GWeatherConfiguration& getConfiguration() const { return m_configuration; }
    [[nodiscard]] GWeatherConfiguration& configuration() { return m_configuration; }
    [[nodiscard]] uint32_t getParticleCount() const { return m_count; }
    [[nodiscard]] const Particle* getParticles() const { return m_particles.get(); }
    [[nodiscard]] int32_t getAccumulator() const { return m_accumulator; }
    [[nodiscard]] CGeometryBuffer* getGeometry() const { return m_geometry.get(); }
    [[nodiscard]] const Material& getMaterial() const { return m_material; }

    // The steps of an update, for tests and benchmarks: dt in ms.
    void spawnParticles(uint32_t dt);
    void updateParticles(float seconds);
    void rebuildGeometry();

protected:
    ~GWeatherParticlesNode() override;

private:
    void setConfigurationFilenameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getConfigurationFilenameProperty() const;
    void setEnabledProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEnabledProperty() const;
    void setAtlasTextureProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTextureProperty() const;

    void restart();
    void writeTextureCorners(uint32_t firstVertex);

    CString m_configurationFilename;
    GWeatherConfiguration m_configuration;
    CRefHandle<CAtlasTexture> m_atlasTexture;
    Material m_material;
    std::unique_ptr<Particle[]> m_particles;
    uint32_t m_count = 0;
    CRefHandle<CGeometryBuffer> m_geometry;
    bool m_enabled = true;
    int32_t m_accumulator = 0;
    CRandom* m_random = nullptr;
};
