#include "engine/nodes/ParticleSystemNode.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CMat4.h"
#include "engine/core/CStringW.h"
#include "engine/core/MathUtils.h"
#include "engine/nodes/NodeContent.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <cmath>

namespace {

constexpr uint8_t kWrap = 0;

bool has(const CPropertyBag& bag, const char* key) { return bag.indexOf(key) >= 0; }

} // namespace

ParticleSystemNode::ParticleSystemNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(kWrap)),
      m_geometry(new CGeometryBuffer) {
    // Particles shrink and grow as they live: filter between mip levels too.
    m_material.layers[0].trilinear = true;
    setUpdateInterval(UpdateInterval);
    m_geometry->setPrimitiveType(PrimitiveType::Triangles);
}

ParticleSystemNode::~ParticleSystemNode() {
    releaseEmitter();
    setScheduler(nullptr);
}

const CStringW& ParticleSystemNode::getTypeName() const {
    static const CStringW name(u"ParticleSystemNode");
    return name;
}

const CStringW& ParticleSystemNode::getClassName() const { return ParticleSystemNode::getTypeName(); }

CUpdateScheduler* ParticleSystemNode::sceneScheduler() const {
    const BaseNode* scene = getOwnerScene<BaseNode>();
    return scene ? scene->getSceneScheduler() : nullptr;
}

void ParticleSystemNode::releaseEmitter() {
    if (!m_emitter)
        return;
    m_emitter->unregister();
    m_emitter->setParticles(nullptr);
    m_emitter.reset();
}

// ---------------------------------------------------------------------------
// Settings

void ParticleSystemNode::setEmitterName(const CStringW& name) {
    releaseEmitter();
    IContentManager* manager = getContentName().owner();
    if (!manager)
        return;
    if (IContent* cached = manager->find(ContentTypeParticleEmitter, CObjectName(manager, name))) {
        m_emitter = CRefHandle<BaseEmitter>(dynamic_cast<BaseEmitter*>(cached->clone()));
    } else {
        CRefHandle<IContent> loaded(manager->load(ContentTypeParticleEmitter, name, true));
        m_emitter = CRefHandle<BaseEmitter>::share(dynamic_cast<BaseEmitter*>(loaded.get()));
    }
    if (!m_emitter)
        return;
    m_emitter->setParticles(&m_particles);
    const CVector3d origin = emitterOrigin();
    m_emitter->setOrigin({origin.x, origin.y});
    m_colourKeys = m_emitter->getColours();
}

CStringW ParticleSystemNode::getEmitterName() const {
    if (!m_emitter)
        return CStringW();
    const CObjectName& name = m_emitter->getContentName();
    if (name.empty())
        return CStringW(m_emitter->getName());
    IContentManager* manager = name.owner();
    return manager ? manager->makeRelativeName(name.str()) : name.str();
}

void ParticleSystemNode::setAtlasTexture(CAtlasTexture* texture) {
    m_atlasTexture = CRefHandle<CAtlasTexture>::share(texture);
    if (!texture)
        return;
    m_material.layers[0].texture = texture->getImageTexture();
    writeTextureCoords(0);
}

void ParticleSystemNode::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled)
        setScheduler(nullptr);
    else if (CUpdateScheduler* scheduler = sceneScheduler())
        setScheduler(scheduler);
}

void ParticleSystemNode::setEmitterEnabled(bool enabled) {
    m_emitterEnabled = enabled;
    if (!m_emitter)
        return;
    const CVector3d origin = emitterOrigin();
    m_emitter->setOrigin({origin.x, origin.y});
    if (!enabled)
        m_emitter->unregister();
    else if (CUpdateScheduler* scheduler = sceneScheduler())
        m_emitter->setScheduler(scheduler);
}

BaseNode* ParticleSystemNode::findGlobalParent() const {
    if (m_globalParentName.empty())
        return nullptr;
    for (BaseNode* node = getParent(); node; node = node->getParent())
        if (node->getName().id() == m_globalParentName.id())
            return node;
    return nullptr;
}

CVector3d ParticleSystemNode::emitterOrigin() const {
    if (!m_global)
        return {};
    const CMat4& world = getAbsoluteTransformation();
    CVector3d position(world[12], world[13], world[14]);
    if (const BaseNode* parent = findGlobalParent()) {
        CMat4 inverse;
        if (!parent->getAbsoluteTransformation().computeInverse(inverse))
            return {};
        inverse.transformPoint(position);
    }
    return position;
}

// ---------------------------------------------------------------------------
// Simulation

bool ParticleSystemNode::update(uint32_t elapsed) {
    if (m_particles.size() == 0 || !m_atlasTexture)
        return false;
    if (m_emitter) {
        const CVector3d origin = emitterOrigin();
        m_emitter->setOrigin({origin.x, origin.y});
    }
    const float g = float(elapsed) * 0.001f;
    const uint32_t keyCount = m_colourKeys.size();
    const int32_t segments = int32_t(keyCount) - 1;
    const float segment = segments > 0 ? 1.0f / float(segments) : 1.0f;
    const CColor* keys = m_colourKeys.data();
    Particle* p = m_particles.data();
    for (uint32_t i = 0; i < m_particles.size();) {
        Particle& q = p[i];
        q.age += elapsed;
        if (q.age >= q.lifetime) {
            m_particles.removeSwapLast(i); // the record moved in is processed next
            continue;
        }
        q.velX += q.accX * g;
        q.velY += q.accY * g;
        q.posX += q.velX * g;
        q.posY += q.velY * g;
        q.angVel += q.angAcc * g;
        q.angle += q.angVel * g;
        if (segments < 1) {
            q.colour.r += q.colourStep.r * g;
            q.colour.g += q.colourStep.g * g;
            q.colour.b += q.colourStep.b * g;
            q.colour.a += q.colourStep.a * g;
        } else {
            const float t = float(q.age) / float(q.lifetime);
            const int32_t k = int32_t(std::floor(t / segment));
            if (k >= 0 && k < segments) {
                const float f = (t - float(k) * segment) * float(segments);
                q.colour = CColorf(keys[k + 1].lerp(keys[k], f));
            }
        }
        if (q.growCountdown > 0.0f && q.growTime > 0.0f) {
            q.scale = (1.0f - q.growCountdown / q.growTime) * q.startScale;
            q.growCountdown -= float(elapsed);
            if (q.growCountdown <= 0.0f)
                q.scale = q.startScale;
        } else {
            q.scale += q.scaleSpeed * g;
        }
        ++i;
    }
    prepareGeometry(m_particles.size());
    placeQuads();
    return true;
}

void ParticleSystemNode::prepareGeometry(uint32_t count) {
    if (!m_atlasTexture)
        return;
    m_geometry->setPrimitiveCount(2 * count);
    CArray<BatchVertex>& vertices = m_geometry->vertexArray();
    CArray<uint16_t>& indices = m_geometry->indexArray();
    if (vertices.size() >= 4 * count && indices.size() >= 6 * count)
        return;
    const uint32_t firstQuad = vertices.size() / 4;
    vertices.reserve(4 * count);
    indices.reserve(6 * count);
    while (vertices.size() < 4 * count)
        vertices.push_back(BatchVertex{});
    for (uint32_t k = indices.size() / 6; k < count; ++k) {
        const auto base = uint16_t(4 * k);
        for (uint16_t offset : {0, 1, 2, 0, 2, 3})
            indices.push_back(uint16_t(base + offset));
    }
    writeTextureCoords(firstQuad);
}

void ParticleSystemNode::writeTextureCoords(uint32_t fromQuad) {
    if (!m_atlasTexture)
        return;
    const CRect& r = m_atlasTexture->getTextureCoords();
    const float u[4] = {r.left, r.right, r.right, r.left};
    const float v[4] = {r.top, r.top, r.bottom, r.bottom};
    CArray<BatchVertex>& vertices = m_geometry->vertexArray();
    for (uint32_t i = 4 * fromQuad; i < vertices.size(); ++i) {
        vertices[i].u = u[i & 3];
        vertices[i].v = v[i & 3];
    }
}

void ParticleSystemNode::placeQuads() {
    const IDriverTexture* texture = m_atlasTexture->getDriverTexture();
    if (!texture)
        return;
    const CRect& r = m_atlasTexture->getTextureCoords();
    const float w = (r.right - r.left) * float(texture->size().width);
    const float h = (r.bottom - r.top) * float(texture->size().height);
    const CColor tint = getAbsoluteColor();
    const bool white = tint.value == 0xFFFFFFFFu;
    const auto& sine = sineTable();
    BatchVertex* out = m_geometry->vertices();
    const Particle* p = m_particles.data();
    const uint32_t count = m_particles.size();
    for (uint32_t j = 0; j < count; ++j, out += 4) {
        const Particle& q = p[j];
        const float half = q.scale * 0.5f;
        const float hw = w * half;
        const float hh = h * half;
        int a = wholeDegrees(q.angle, false);
        if (a < 0)
            a += 360;
        const float s = sine[uint32_t(a)];
        const float c = sine[uint32_t(a + 90) % 360u];
        // A = (-hw, -hh) and B = (hw, -hh) turned by a.
        const float ax = -hw * c + hh * s;
        const float ay = -hw * s - hh * c;
        const float bx = hw * c + hh * s;
        const float by = hw * s - hh * c;
        const CColor colour = white ? q.colour.toColor() : q.colour.toColor().modulate(tint);
        out[0].x = q.posX + ax;
        out[0].y = q.posY + ay;
        out[1].x = q.posX + bx;
        out[1].y = q.posY + by;
        out[2].x = q.posX - ax;
        out[2].y = q.posY - ay;
        out[3].x = q.posX - bx;
        out[3].y = q.posY - by;
        out[0].color = out[1].color = out[2].color = out[3].color = colour;
    }
}

// ---------------------------------------------------------------------------
// Drawing

void ParticleSystemNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    BaseNode::registerForRendering(list);
    CUpdateScheduler* scheduler = sceneScheduler();
    if (m_enabled && !getScheduler() && scheduler)
        setScheduler(scheduler);
    if (m_emitterEnabled && m_emitter) {
        if (!m_emitter->getScheduler() && scheduler)
            m_emitter->setScheduler(scheduler);
        if (m_pregenTime > 0 && m_pregenRemaining > 0) {
            int32_t remaining = m_pregenRemaining < PregenLimit ? m_pregenRemaining : PregenLimit;
            do {
                (void)m_emitter->update(PregenStep);
                (void)update(PregenStep);
                remaining -= PregenStep;
            } while (remaining > 0);
            m_pregenRemaining = 0;
        }
    }
    const CImageTexture* page = m_atlasTexture ? m_atlasTexture->getImageTexture() : nullptr;
    if (page && m_particles.size() > 0)
        list.push_back(CRenderItem{this, 0, getDepth()});
}

void ParticleSystemNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver)
        return;
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    if (m_global) {
        const BaseNode* parent = findGlobalParent();
        driver->setMatrix(MatrixKind::World, parent ? parent->getAbsoluteTransformation() : CMat4::identity());
    } else {
        CMat4 world = getAbsoluteTransformation();
        world[14] = 0.0f;
        driver->setMatrix(MatrixKind::World, world);
    }
    driver->applyMaterial(m_material);
    driver->drawMesh(m_geometry.get());
    driver->setMatrix(MatrixKind::World, CMat4::identity());
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& ParticleSystemNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& ParticleSystemNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = ParticleSystemNode;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&N::setEmitterNameProperty, &N::getEmitterNameProperty>("EmitterName");
        t.add<&N::setAtlasTextureProperty, &N::getAtlasTextureProperty>("AtlasTexture");
        t.add<&N::setAdditiveBlendingProperty, &N::getAdditiveBlendingProperty>("AdditiveBlending");
        t.add<&N::setEnabledProperty, &N::getEnabledProperty>("Enabled");
        t.add<&N::setEmitterEnabledProperty, &N::getEmitterEnabledProperty>("EmitterEnabled");
        t.add<&N::setPregenTimeProperty, &N::getPregenTimeProperty>("PregenTime");
        t.add<&N::setGlobalProperty, &N::getGlobalProperty>("Global");
        t.add<&N::setGlobalParentNameProperty, &N::getGlobalParentNameProperty>("GlobalParentName");
        return t;
    }();
    return table;
}

void ParticleSystemNode::setEmitterNameProperty(const CRefHandle<IPropertyData>& value) {
    setEmitterName(getPropertyStringW(value));
}
CRefHandle<IPropertyData> ParticleSystemNode::getEmitterNameProperty() const {
    return CPropertyDataStringW::create(getEmitterName());
}
void ParticleSystemNode::setAtlasTextureProperty(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture(atlasTextureOf(value));
}
CRefHandle<IPropertyData> ParticleSystemNode::getAtlasTextureProperty() const {
    return CPropertyDataAtlasTexture::create(m_atlasTexture.get());
}
void ParticleSystemNode::setAdditiveBlendingProperty(const CRefHandle<IPropertyData>& value) {
    m_material.additive = getPropertyBool(value);
}
CRefHandle<IPropertyData> ParticleSystemNode::getAdditiveBlendingProperty() const {
    return CPropertyDataBool::create(m_material.additive);
}
void ParticleSystemNode::setEnabledProperty(const CRefHandle<IPropertyData>& value) {
    setEnabled(getPropertyBool(value));
}
CRefHandle<IPropertyData> ParticleSystemNode::getEnabledProperty() const {
    return CPropertyDataBool::create(m_enabled);
}
void ParticleSystemNode::setEmitterEnabledProperty(const CRefHandle<IPropertyData>& value) {
    setEmitterEnabled(getPropertyBool(value));
}
CRefHandle<IPropertyData> ParticleSystemNode::getEmitterEnabledProperty() const {
    return CPropertyDataBool::create(m_emitterEnabled);
}
void ParticleSystemNode::setPregenTimeProperty(const CRefHandle<IPropertyData>& value) {
    setPregenTime(getPropertyInt(value));
}
CRefHandle<IPropertyData> ParticleSystemNode::getPregenTimeProperty() const {
    return CPropertyDataInt::create(m_pregenTime);
}
void ParticleSystemNode::setGlobalProperty(const CRefHandle<IPropertyData>& value) {
    m_global = getPropertyBool(value);
}
CRefHandle<IPropertyData> ParticleSystemNode::getGlobalProperty() const { return CPropertyDataBool::create(m_global); }
void ParticleSystemNode::setGlobalParentNameProperty(const CRefHandle<IPropertyData>& value) {
    m_globalParentName = getPropertyNameId(value);
}
CRefHandle<IPropertyData> ParticleSystemNode::getGlobalParentNameProperty() const {
    return CPropertyDataString::create(m_globalParentName.str());
}

void ParticleSystemNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_emitter)
        bag.setStringW("EmitterName", getEmitterName());
    if (m_atlasTexture)
        bag.setAtlasTexture("ParticleTexture", m_atlasTexture.get());
    if (m_material.additive)
        bag.setBool("AdditiveBlending", true);
    if (!m_enabled)
        bag.setBool("Enabled", false);
    if (!m_emitterEnabled)
        bag.setBool("EmitterEnabled", false);
    if (m_pregenTime != 0)
        bag.setInt("PregenTime", m_pregenTime);
    if (m_global)
        bag.setBool("Global", true);
    if (!m_globalParentName.empty())
        bag.setString("GlobalParentName", m_globalParentName.str());
}

void ParticleSystemNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (has(bag, "ParticleTexture"))
        setAtlasTexture(atlasTextureOf(bag.get("ParticleTexture")));
    if (has(bag, "AdditiveBlending"))
        m_material.additive = getPropertyBool(bag.get("AdditiveBlending"));
    if (has(bag, "Enabled"))
        setEnabled(getPropertyBool(bag.get("Enabled")));
    if (has(bag, "EmitterEnabled"))
        setEmitterEnabled(getPropertyBool(bag.get("EmitterEnabled")));
    if (has(bag, "PregenTime"))
        setPregenTime(getPropertyInt(bag.get("PregenTime")));
    if (has(bag, "Global"))
        m_global = getPropertyBool(bag.get("Global"));
    if (has(bag, "GlobalParentName"))
        m_globalParentName = getPropertyNameId(bag.get("GlobalParentName"));
    if (has(bag, "EmitterName"))
        setEmitterName(getPropertyStringW(bag.get("EmitterName")));
}

BaseNode* ParticleSystemNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<ParticleSystemNode>(parent, sceneManager);
}

void ParticleSystemNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const ParticleSystemNode* system = nodeCast<ParticleSystemNode>(source);
    if (!system || system == this)
        return;
    releaseEmitter();
    if (system->m_emitter) {
        m_emitter = CRefHandle<BaseEmitter>(static_cast<BaseEmitter*>(system->m_emitter->clone()));
        m_emitter->setParticles(&m_particles);
    }
    const bool additive = system->m_material.additive;
    m_material = system->m_material;
    setAtlasTexture(system->m_atlasTexture.get());
    m_material.additive = additive;
    setEnabled(system->m_enabled);
    setEmitterEnabled(system->m_emitterEnabled);
    setPregenTime(system->m_pregenTime);
    m_global = system->m_global;
    m_globalParentName = system->m_globalParentName;
    m_colourKeys = system->m_colourKeys;
}
