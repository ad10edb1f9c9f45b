#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/nodes/ParticleEmitter.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"

#include <cstdint>

class CAtlasTexture;
class CGeometryBuffer;

// Shows a particle effect: an emitter bound by name (a copy of cached
// 'pemt' content, or an emitter file) fills a fixed array of 500 particles;
// the node's own 30 ms update ages, moves, recolours and rescales them and
// rebuilds their quads, which are drawn from one atlas texture in a single
// drawMesh. Particles live in the node's space, or with Global on in world
// space or in the space of the ancestor named GlobalParentName, so that they
// stay where they were born while the node moves.
class ParticleSystemNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 18;
    static constexpr uint32_t Capacity = 500;
    static constexpr uint32_t UpdateInterval = 30;
    static constexpr int32_t PregenStep = 200;
    // Pre-generation simulates at most this much time, however long
    // PregenTime is.
    static constexpr int32_t PregenLimit = 60000;

    ParticleSystemNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy, then a clone of the source's emitter and its settings;
    // particles are not copied.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    [[nodiscard]] bool hitTest(const CVector3d&) const override { return false; }

    // Ages and moves the particles by `elapsed` ms and places their quads;
    // false (dropped by the scheduler) while there is nothing to move or no
    // texture.
    bool update(uint32_t elapsed) override;

    // Binds a copy of the emitter cached under `name`, or of the emitter file
    // `name` (relative to the content manager's current folder).
    void setEmitterName(const CStringW& name);
    [[nodiscard]] CStringW getEmitterName() const;
    [[nodiscard]] BaseEmitter* getEmitter() const { return m_emitter.get(); }

    void setAtlasTexture(CAtlasTexture* texture);
    [[nodiscard]] CAtlasTexture* getAtlasTexture() const { return m_atlasTexture.get(); }
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    void setEmitterEnabled(bool enabled);
    [[nodiscard]] bool isEmitterEnabled() const { return m_emitterEnabled; }
    void setPregenTime(int32_t ms) { m_pregenTime = m_pregenRemaining = ms; }
    [[nodiscard]] int32_t getPregenTime() const { return m_pregenTime; }
    void setGlobal(bool global) { m_global = global; }
    [[nodiscard]] bool isGlobal() const { return m_global; }
    void setGlobalParentName(CName name) { m_globalParentName = name; }
    [[nodiscard]] CName getGlobalParentName() const { return m_globalParentName; }
    void setAdditiveBlending(bool additive) { m_material.additive = additive; }
    [[nodiscard]] bool getAdditiveBlending() const { return m_material.additive; }

    // Where new particles start, in the space the particles live in.
    [[nodiscard]] CVector3d emitterOrigin() const;
    // The ancestor named GlobalParentName, looked up anew on every call.
    [[nodiscard]] BaseNode* findGlobalParent() const;

    [[nodiscard]] const ParticleArray& getParticles() const { return m_particles; }
    [[nodiscard]] ParticleArray& particles() { return m_particles; }
    [[nodiscard]] const CArray<CColor>& getColourKeys() const { return m_colourKeys; }
    [[nodiscard]] CGeometryBuffer* getGeometry() const { return m_geometry.get(); }
    [[nodiscard]] const Material& getMaterial() const { return m_material; }

protected:
    ~ParticleSystemNode() override;

private:
    [[nodiscard]] CUpdateScheduler* sceneScheduler() const;
    void releaseEmitter();
    void prepareGeometry(uint32_t count);
    void writeTextureCoords(uint32_t fromQuad);
    void placeQuads();

    void setEmitterNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEmitterNameProperty() const;
    void setAtlasTextureProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAtlasTextureProperty() const;
    void setAdditiveBlendingProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAdditiveBlendingProperty() const;
    void setEnabledProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEnabledProperty() const;
    void setEmitterEnabledProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEmitterEnabledProperty() const;
    void setPregenTimeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPregenTimeProperty() const;
    void setGlobalProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getGlobalProperty() const;
    void setGlobalParentNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getGlobalParentNameProperty() const;

    CRefHandle<CAtlasTexture> m_atlasTexture;
    Material m_material;
    CRefHandle<BaseEmitter> m_emitter;
    CArray<CColor> m_colourKeys;
    bool m_enabled = true;
    bool m_emitterEnabled = true;
    bool m_global = false;
    int32_t m_pregenTime = 0;
    int32_t m_pregenRemaining = 0;
    CName m_globalParentName;
    ParticleArray m_particles{Capacity};
    CRefHandle<CGeometryBuffer> m_geometry;
};
