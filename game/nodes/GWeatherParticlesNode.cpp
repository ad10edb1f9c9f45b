#include "game/nodes/GWeatherParticlesNode.h"

#include "engine/core/CColor.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/MathUtils.h"
#include "engine/core/NumberText.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/NodeContent.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/nodes/GNodeHelpers.h"

#include <cmath>
#include <utility>

namespace {

// A value drawn from [range.x, range.y); equal ends draw nothing.
float draw(CRandom& random, const CVector2d& range) {
    if (range.x == range.y)
        return range.x;
    return range.x + random.nextFastFloat() * (range.y - range.x);
}

// The start of a timeline: its first value, or 1 when it is empty.
float firstValue(const CArray<GWeatherKey>& keys) { return keys.empty() ? 1.0f : keys[0].v; }

// Whole degrees of `angle` within 0..359.
int32_t wholeDegrees(float angle) {
    const int32_t whole = truncateToInt(angle) % 360;
    return whole < 0 ? whole + 360 : whole;
}

// An angle kept within [0, 360) so that it never grows past what an int
// or a float step can hold.
float wrappedDegrees(float angle) {
    if (angle >= 0.0f && angle < 360.0f)
        return angle;
    const float wrapped = std::fmod(angle, 360.0f);
    if (!(wrapped == wrapped))
        return 0.0f;
    // A hair below zero comes back as 360 once the turn is added.
    const float turned = wrapped < 0.0f ? wrapped + 360.0f : wrapped;
    return turned < 360.0f ? turned : 0.0f;
}

CVector2d readPair(const CXmlStreamReader& reader) {
    float x = 0.0f;
    float y = 0.0f;
    parseFloatPair(reader.attribute("Value").c_str(), x, y);
    return CVector2d(x, y);
}

// Reads the "k" children of the timeline element `reader` stands on, up to
// its end element. False when there are too many.
bool readTimeline(CXmlStreamReader& reader, CArray<GWeatherKey>& keys) {
    keys.clear();
    if (reader.isSelfClosing())
        return true;
    const CStringW name = reader.nodeName();
    while (reader.readNext()) {
        if (reader.nodeType() == CXmlStreamReader::ElementEnd && reader.nodeName() == name)
            return true;
        if (reader.nodeType() != CXmlStreamReader::Element || !(reader.nodeName() == u"k"))
            continue;
        if (keys.size() >= GWeatherConfiguration::MaxTimelineKeys) {
            CLog::instance()->log(CStringW(u"Weather timeline has too many keys: ") + name, CLog::Error);
            return false;
        }
        keys.push_back(GWeatherKey{reader.attributeFloat("T", 0.0f), reader.attributeFloat("V", 0.0f)});
    }
    return true;
}

bool readTimelines(CXmlStreamReader& reader, GWeatherConfiguration& configuration) {
    if (reader.isSelfClosing())
        return true;
    while (reader.readNext()) {
        if (reader.nodeType() == CXmlStreamReader::ElementEnd && reader.nodeName() == u"ParticleTimeline")
            return true;
        if (reader.nodeType() != CXmlStreamReader::Element)
            continue;
        const CStringW& name = reader.nodeName();
        CArray<GWeatherKey>* keys = name == u"ScaleX"   ? &configuration.scaleX
                                    : name == u"ScaleY" ? &configuration.scaleY
                                    : name == u"ColorA" ? &configuration.colorA
                                                        : nullptr;
        if (keys && !readTimeline(reader, *keys))
            return false;
    }
    return true;
}

} // namespace

void followWeatherTimeline(const CArray<GWeatherKey>& keys, float age, float& value, int32_t& next) {
    if (next < 0 || uint32_t(next) >= keys.size())
        return;
    const GWeatherKey& key = keys[uint32_t(next)];
    if (key.t <= age) {
        value = key.v;
        ++next;
        return;
    }
    const GWeatherKey& before = keys[uint32_t(next - 1)];
    value = before.v + (key.v - before.v) / (key.t - before.t) * (age - before.t);
}

bool readWeatherConfiguration(CXmlStreamReader& reader, GWeatherConfiguration& configuration) {
    GWeatherConfiguration read = configuration;

    const struct {
        const char16_t* name;
        CVector2d GWeatherConfiguration::*field;
    } pairs[] = {
        {u"EmitRectangleXSize", &GWeatherConfiguration::emitRectangleXSize},
        {u"EmitRectangleYSize", &GWeatherConfiguration::emitRectangleYSize},
        {u"CenterPoint", &GWeatherConfiguration::centerPoint},
        {u"ParticleVelRange", &GWeatherConfiguration::particleVelRange},
        {u"ParticleAccRange", &GWeatherConfiguration::particleAccRange},
        {u"ParticleAngularVelocityRange", &GWeatherConfiguration::particleAngularVelocityRange},
        {u"ParticleNormalDeltaRange", &GWeatherConfiguration::particleNormalDeltaRange},
        {u"ParticleNormalDeltaPeriodRange", &GWeatherConfiguration::particleNormalDeltaPeriodRange},
        {u"ParticleLifetimeRange", &GWeatherConfiguration::particleLifetimeRange},
    };
    while (reader.readNext()) {
        const int type = reader.nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader.nodeName() == u"WeatherParticle")
            break;
        if (type != CXmlStreamReader::Element)
            continue;
        const CStringW& name = reader.nodeName();
        if (name == u"PPS") {
            read.pps = reader.attributeInt("Value", 0);
            continue;
        }
        if (name == u"ParticleTimeline") {
            if (!readTimelines(reader, read))
                return false;
            continue;
        }
        for (const auto& pair : pairs) {
            if (name == pair.name) {
                read.*pair.field = readPair(reader);
                break;
            }
        }
    }
    configuration = std::move(read);
    return true;
}

GWeatherParticlesNode::GWeatherParticlesNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager), m_material(makeSpriteMaterial(TextureLayer::WrapClamp)),
      m_particles(new Particle[Capacity]), m_geometry(new CGeometryBuffer) {
    setUpdateInterval(UpdateInterval);
    m_material.layers[0].trilinear = true;
    m_material.gouraud = false;
    m_geometry->setPrimitiveType(PrimitiveType::Triangles);
    m_geometry->vertexArray().reserve(Capacity * 4);
    m_geometry->indexArray().reserve(Capacity * 6);
}

GWeatherParticlesNode::~GWeatherParticlesNode() { setScheduler(nullptr); }

BaseNode* GWeatherParticlesNode::create(const CObjectName& name) {
    return new GWeatherParticlesNode(name, nullptr, nullptr);
}

const CStringW& GWeatherParticlesNode::getTypeName() const {
    static const CStringW name(u"GWeatherParticlesNode");
    return name;
}

const CStringW& GWeatherParticlesNode::getClassName() const { return GWeatherParticlesNode::getTypeName(); }

const CPropertyTable& GWeatherParticlesNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GWeatherParticlesNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = GWeatherParticlesNode;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&N::setConfigurationFilenameProperty, &N::getConfigurationFilenameProperty>("ConfigurationFilename");
        t.add<&N::setEnabledProperty, &N::getEnabledProperty>("Enabled");
        t.add<&N::setAtlasTextureProperty, &N::getAtlasTextureProperty>("AtlasTexture");
        return t;
    }();
    return table;
}

void GWeatherParticlesNode::setConfigurationFilenameProperty(const CRefHandle<IPropertyData>& value) {
    setConfigurationFilename(getPropertyString(value));
}
CRefHandle<IPropertyData> GWeatherParticlesNode::getConfigurationFilenameProperty() const {
    return CPropertyDataString::create(m_configurationFilename);
}
void GWeatherParticlesNode::setEnabledProperty(const CRefHandle<IPropertyData>& value) {
    m_enabled = getPropertyBool(value);
}
CRefHandle<IPropertyData> GWeatherParticlesNode::getEnabledProperty() const {
    return CPropertyDataBool::create(m_enabled);
}
void GWeatherParticlesNode::setAtlasTextureProperty(const CRefHandle<IPropertyData>& value) {
    setAtlasTexture(atlasTextureOf(value));
}
CRefHandle<IPropertyData> GWeatherParticlesNode::getAtlasTextureProperty() const {
    return CPropertyDataAtlasTexture::create(m_atlasTexture.get());
}

void GWeatherParticlesNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!m_configurationFilename.empty())
        bag.setString("ConfigurationFilename", m_configurationFilename);
    if (!m_enabled)
        bag.setBool("Enabled", false);
    if (m_atlasTexture)
        bag.setAtlasTexture("AtlasTexture", m_atlasTexture.get());
}

void GWeatherParticlesNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("ConfigurationFilename") >= 0)
        setConfigurationFilename(getPropertyString(bag.get("ConfigurationFilename")));
    if (bag.indexOf("Enabled") >= 0)
        setEnabledProperty(bag.get("Enabled"));
    if (bag.indexOf("AtlasTexture") >= 0)
        setAtlasTextureProperty(bag.get("AtlasTexture"));
}

BaseNode* GWeatherParticlesNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GWeatherParticlesNode>(parent, sceneManager);
}

void GWeatherParticlesNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GWeatherParticlesNode* other = nodeCast<GWeatherParticlesNode>(source);
    if (!other || other == this)
        return;
    m_configurationFilename = other->m_configurationFilename;
    m_enabled = other->m_enabled;
    m_configuration = other->m_configuration;
    m_material = other->m_material;
    setAtlasTexture(other->m_atlasTexture.get());
}

void GWeatherParticlesNode::setConfigurationFilename(const CString& path) {
    m_configurationFilename = path;
    CEngine* engine = findEngineInstance();
    CVirtualFileSystem* fileSystem = engine ? engine->getFileSystem() : nullptr;
    if (fileSystem && !path.empty()) {
        CRefHandle<CXmlStreamReader> reader(fileSystem->openXmlReader(CStringW(path)));
        if (reader)
            (void)readWeatherConfiguration(*reader, m_configuration);
    }
    m_count = 0;
}

void GWeatherParticlesNode::setAtlasTexture(CAtlasTexture* texture) {
    m_atlasTexture = CRefHandle<CAtlasTexture>::share(texture);
    m_material.layers[0].texture = texture ? texture->getImageTexture() : nullptr;
    writeTextureCorners(0);
}

void GWeatherParticlesNode::writeTextureCorners(uint32_t firstVertex) {
    if (!m_atlasTexture)
        return;
    const CRect& uv = m_atlasTexture->getTextureCoords();
    const float u[4] = {uv.left, uv.right, uv.right, uv.left};
    const float v[4] = {uv.top, uv.top, uv.bottom, uv.bottom};
    CArray<BatchVertex>& vertices = m_geometry->vertexArray();
    for (uint32_t i = firstVertex; i < vertices.size(); ++i) {
        vertices[i].u = u[i & 3];
        vertices[i].v = v[i & 3];
    }
}

void GWeatherParticlesNode::restart() {
    m_count = 0;
    m_accumulator = 0;
    spawnParticles(500);
    rebuildGeometry();
    scheduleWithOwnerScene(*this, this);
}

void GWeatherParticlesNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    BaseNode::registerForRendering(list);
    if (m_enabled && !getScheduler() && m_atlasTexture && ownerSceneScheduler(this))
        restart();
    if (m_atlasTexture && m_atlasTexture->getImageTexture() && m_count > 0)
        list.push_back(CRenderItem{this, 0, getDepth()});
}

void GWeatherParticlesNode::render(IGraphicsDriver* driver, const CRect*) {
    if (!driver)
        return;
    if (CQuadBatch* batch = driver->quadBatch())
        batch->flush();
    CMat4 world = getAbsoluteTransformation();
    world[14] = 0.0f;
    driver->setMatrix(MatrixKind::World, world);
    driver->applyMaterial(m_material);
    driver->drawMesh(m_geometry.get());
    driver->setMatrix(MatrixKind::World, CMat4::identity());
}

bool GWeatherParticlesNode::update(uint32_t elapsed) {
    if (!m_atlasTexture)
        return false;
    updateParticles(float(elapsed) * 0.001f);
    if (m_enabled)
        spawnParticles(elapsed);
    else if (m_count == 0)
        return false;
    rebuildGeometry();
    return true;
}

void GWeatherParticlesNode::spawnParticles(uint32_t dt) {
    const GWeatherConfiguration& c = m_configuration;
    // Nothing is born at no rate; the time is not kept for later either.
    if (c.pps <= 0)
        return;
    const int64_t accumulated = int64_t(m_accumulator) + int64_t(dt);
    const double interval = 1000.0 / double(c.pps);
    const int64_t due = int64_t(double(accumulated) / interval);
    if (due == 0) {
        m_accumulator = int32_t(accumulated);
        return;
    }
    m_accumulator = int32_t(accumulated - int64_t(interval * double(due)));
    const int64_t room = int64_t(Capacity) - int64_t(m_count);
    const uint32_t n = uint32_t(due < room ? due : room);
    if (n == 0)
        return;

    CRandom& random = m_random ? *m_random : *CEngineManagers::instance().getRandom();
    const float startScaleX = firstValue(c.scaleX);
    const float startScaleY = firstValue(c.scaleY);
    const float startAlpha = firstValue(c.colorA);
    const float band = c.emitRectangleYSize.x + 20.0f;
    for (uint32_t i = 0; i < n; ++i) {
        Particle& p = m_particles[m_count++];
        p = Particle{};
        p.scaleX = startScaleX;
        p.scaleY = startScaleY;
        p.alpha = startAlpha;
        p.nextScaleX = 1;
        p.nextScaleY = 1;
        p.nextAlpha = 1;
        const float lifetime = draw(random, c.particleLifetimeRange);
        if (!(lifetime > 0.0f)) {
            p.age = 1.0f;
            continue;
        }
        p.age = 0.0f;
        p.ageRate = 1000.0f / lifetime;
        p.position.x = draw(random, c.emitRectangleXSize);
        p.position.y = band == 0.0f ? -20.0f : -20.0f + random.nextFastFloat() * band;
        const float heading = wrappedDegrees(270.0f - (c.centerPoint - p.position).angleInDegrees());
        p.angle = heading;
        const float speed = draw(random, c.particleVelRange);
        p.velocity = CVector2d(0.0f, speed);
        p.velocity.rotateDegrees(heading);
        p.angularVelocity = draw(random, c.particleAngularVelocityRange);
        p.swayDirection = CVector2d(-p.velocity.y, p.velocity.x);
        p.swayDirection.normalize();
        p.swayAmplitude = draw(random, c.particleNormalDeltaRange);
        p.swayPeriod = truncateToInt(draw(random, c.particleNormalDeltaPeriodRange));
        p.swayTime = random.nextInRange(0, p.swayPeriod);
    }
}

void GWeatherParticlesNode::updateParticles(float seconds) {
    const GWeatherConfiguration& c = m_configuration;
    const int32_t swayStep = truncateToInt(1000.0f * seconds);
    uint32_t i = 0;
    while (i < m_count) {
        Particle& p = m_particles[i];
        p.age += seconds * p.ageRate;
        if (p.age >= 1.0f) {
            p = m_particles[--m_count];
            continue;
        }
        p.position.x += p.velocity.x * seconds;
        p.position.y += p.velocity.y * seconds;
        p.angle = wrappedDegrees(p.angle + p.angularVelocity * seconds);
        p.swayTime += swayStep;
        if (p.swayTime > p.swayPeriod || p.swayTime < 0)
            p.swayTime = 0;
        followWeatherTimeline(c.scaleX, p.age, p.scaleX, p.nextScaleX);
        followWeatherTimeline(c.scaleY, p.age, p.scaleY, p.nextScaleY);
        followWeatherTimeline(c.colorA, p.age, p.alpha, p.nextAlpha);
        ++i;
    }
}

void GWeatherParticlesNode::rebuildGeometry() {
    m_geometry->setPrimitiveCount(m_count * 2);
    CArray<BatchVertex>& vertices = m_geometry->vertexArray();
    CArray<uint16_t>& indices = m_geometry->indexArray();
    if (vertices.size() < m_count * 4 || indices.size() < m_count * 6) {
        const uint32_t firstNew = vertices.size();
        while (vertices.size() < m_count * 4)
            vertices.push_back(BatchVertex{});
        while (indices.size() < m_count * 6) {
            const uint16_t base = uint16_t((indices.size() / 6) * 4);
            const uint16_t quad[6] = {base, uint16_t(base + 1), uint16_t(base + 2),
                                      base, uint16_t(base + 2), uint16_t(base + 3)};
            (void)indices.append(quad, 6);
        }
        writeTextureCorners(firstNew);
    }
    if (m_count == 0)
        return;

    float width = 0.0f;
    float height = 0.0f;
    if (m_atlasTexture && m_atlasTexture->getImageTexture()) {
        const CRect& uv = m_atlasTexture->getTextureCoords();
        const auto& size = m_atlasTexture->getImageTexture()->getTextureSize();
        width = (uv.right - uv.left) * float(size.width);
        height = (uv.bottom - uv.top) * float(size.height);
    }
    const std::array<float, 360>& sines = sineTable();
    const CColor tint = getAbsoluteColor();
    BatchVertex* out = vertices.data();
    for (uint32_t k = 0; k < m_count; ++k, out += 4) {
        const Particle& p = m_particles[k];
        float cx = p.position.x;
        float cy = p.position.y;
        if (p.swayPeriod >= 1) {
            const int64_t phase = (int64_t(360) * p.swayTime / p.swayPeriod + 90) % 360;
            const float s = p.scaleX * p.swayAmplitude * sines[size_t(phase < 0 ? phase + 360 : phase)];
            cx += s * p.swayDirection.x;
            cy += s * p.swayDirection.y;
        }
        const float hx = p.scaleX * 0.5f * width;
        const float hy = 0.5f * p.scaleY * height;
        const int32_t a = wholeDegrees(p.angle);
        const float sn = sines[size_t(a)];
        const float cs = sines[size_t((a + 90) % 360)];
        // A = (-hx, -hy) and B = (hx, -hy) turned by the angle.
        const float ax = -hx * cs + hy * sn;
        const float ay = -hx * sn - hy * cs;
        const float bx = hx * cs + hy * sn;
        const float by = hx * sn - hy * cs;
        const float alpha = p.alpha * 255.0f;
        const uint32_t alphaByte = alpha > 0.0f ? (alpha < 255.0f ? uint32_t(alpha) : 255u) : 0u;
        const CColor color = CColor((alphaByte << 24) | 0x00FFFFFFu).modulate(tint);
        out[0].x = cx + ax;
        out[0].y = cy + ay;
        out[1].x = cx + bx;
        out[1].y = cy + by;
        out[2].x = cx - ax;
        out[2].y = cy - ay;
        out[3].x = cx - bx;
        out[3].y = cy - by;
        out[0].color = color;
        out[1].color = color;
        out[2].color = color;
        out[3].color = color;
    }
}
