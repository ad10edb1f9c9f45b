#include "engine/nodes/ParticleEmitter.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CEmitterFactory.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/MathUtils.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"

#include <cmath>

float randomInRange(CRandom& random, float min, float max) {
    const float d = max - min;
    if (d == 0.0f)
        return min;
    return min + d * random.nextFastFloat();
}

float randomInRange(const CVector2d& range) {
    return randomInRange(*CEngineManagers::instance().getRandom(), range.x, range.y);
}

int wholeDegrees(float degrees, bool round) {
    if (!std::isfinite(degrees))
        return 0;
    const float whole = round ? std::floor(degrees + 0.5f) : std::trunc(degrees);
    return static_cast<int>(std::fmod(whole, 360.0f));
}

namespace {

const CVector2d kDefaultPPS{10.0f, 10.0f};
const CVector2d kDefaultLifeTime{2000.0f, 3000.0f};
constexpr uint32_t kWhite = 0xFFFFFFFFu;

bool has(const CPropertyBag& bag, const char* key) { return bag.indexOf(key) >= 0; }

void readRange(const CPropertyBag& bag, const char* key, CVector2d& field) {
    if (has(bag, key))
        field = getPropertyVector2d(bag.get(key));
}

void writeRange(CPropertyBag& bag, const char* key, const CVector2d& value, const CVector2d& fallback = {}) {
    if (value.x != fallback.x || value.y != fallback.y)
        bag.setVector2d(key, value);
}

// Hex digits up to the first other character; a piece not starting with
// one reads 0.
uint32_t parseColourKey(const CString& piece) {
    const char* text = piece.c_str();
    const char c = text[0];
    const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    return digit ? parseHex(text) : 0;
}

// Seconds of a lifetime in ms, and the lifetime a drawn value stands for:
// negative or undefined values live 0 ms, huge ones the longest time there is.
uint32_t toLifetime(float drawn) {
    if (!(drawn > 0.0f))
        return 0;
    if (drawn >= 4294967040.0f)
        return 0xFFFFFF00u;
    return static_cast<uint32_t>(drawn);
}

} // namespace

// ---------------------------------------------------------------------------
// BaseEmitter

BaseEmitter::BaseEmitter(const CObjectName& contentName) : IContent(contentName, 0) {
    setUpdateInterval(UpdateInterval);
}

BaseEmitter::~BaseEmitter() { setScheduler(nullptr); }

const CStringW& BaseEmitter::getTypeName() const {
    static const CStringW name(u"BaseEmitter");
    return name;
}

const CStringW& BaseEmitter::getClassName() const { return BaseEmitter::getTypeName(); }

uint32_t BaseEmitter::getContentType() const { return ContentTypeParticleEmitter; }

BaseEmitter* BaseEmitter::createSame() const { return new BaseEmitter(getContentName()); }

IContent* BaseEmitter::clone() const {
    BaseEmitter* copy = createSame();
    copy->copyFrom(this);
    return copy;
}

void BaseEmitter::copyFrom(const BaseEmitter* source) {
    if (!source || source == this)
        return;
    m_name = source->m_name;
    m_ppsRange = source->m_ppsRange;
    m_lifeTimeRange = source->m_lifeTimeRange;
    m_colours = source->m_colours;
}

bool BaseEmitter::update(uint32_t) { return true; }

CRandom& BaseEmitter::random() const { return m_random ? *m_random : *CEngineManagers::instance().getRandom(); }

const CPropertyTable& BaseEmitter::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& BaseEmitter::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(CPropertyObject::propertyTable());
        t.add<&BaseEmitter::setNameProperty, &BaseEmitter::getNameProperty>("Name");
        t.add<&BaseEmitter::setPPSRangeProperty, &BaseEmitter::getPPSRangeProperty>("PPSRange");
        t.add<&BaseEmitter::setLifeTimeRangeProperty, &BaseEmitter::getLifeTimeRangeProperty>("LifeTimeRange");
        return t;
    }();
    return table;
}

void BaseEmitter::setNameProperty(const CRefHandle<IPropertyData>& value) { m_name = getPropertyString(value); }
CRefHandle<IPropertyData> BaseEmitter::getNameProperty() const { return CPropertyDataString::create(m_name); }
void BaseEmitter::setPPSRangeProperty(const CRefHandle<IPropertyData>& value) {
    m_ppsRange = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> BaseEmitter::getPPSRangeProperty() const { return CPropertyDataVector2d::create(m_ppsRange); }
void BaseEmitter::setLifeTimeRangeProperty(const CRefHandle<IPropertyData>& value) {
    m_lifeTimeRange = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> BaseEmitter::getLifeTimeRangeProperty() const {
    return CPropertyDataVector2d::create(m_lifeTimeRange);
}

void BaseEmitter::writeProperties(CPropertyBag& bag) const {
    if (!m_name.empty())
        bag.setString("Name", m_name);
    writeRange(bag, "PPSRange", m_ppsRange, kDefaultPPS);
    writeRange(bag, "LifeTimeRange", m_lifeTimeRange, kDefaultLifeTime);
    if (!m_colours.empty()) {
        CString text;
        for (uint32_t i = 0; i < m_colours.size(); ++i) {
            if (i)
                text += ";";
            text += CString::formatHex8(int(m_colours[i].value));
        }
        bag.setString("ColorsRange", text);
    }
}

void BaseEmitter::readProperties(const CPropertyBag& bag) {
    if (has(bag, "Name"))
        m_name = getPropertyString(bag.get("Name"));
    readRange(bag, "PPSRange", m_ppsRange);
    readRange(bag, "LifeTimeRange", m_lifeTimeRange);
    if (has(bag, "ColorsRange")) {
        const CArray<CString> pieces = getPropertyString(bag.get("ColorsRange")).splitString(';');
        for (uint32_t i = 0; i < pieces.size(); ++i)
            m_colours.push_back(CColor(parseColourKey(pieces[i])));
    }
}

void BaseEmitter::readFromXml(CXmlStreamReader* reader) {
    if (!reader)
        return;
    IContentManager* manager = getContentName().owner();
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == u"ParticleEmitter")
            return;
        if (type != CXmlStreamReader::Element || reader->nodeName() != u"Properties")
            continue;
        CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager);
        if (bag->readXml(reader, true))
            readProperties(*bag);
    }
}

// ---------------------------------------------------------------------------
// ShapedEmitter

void ShapedEmitter::copyFrom(const BaseEmitter* source) {
    BaseEmitter::copyFrom(source);
    const auto* shaped = dynamic_cast<const ShapedEmitter*>(source);
    if (!shaped || shaped == this || shaped->getTypeId() != getTypeId())
        return;
    velocityXRange = shaped->velocityXRange;
    velocityYRange = shaped->velocityYRange;
    velocityRotationAngleRange = shaped->velocityRotationAngleRange;
    accelerationXRange = shaped->accelerationXRange;
    accelerationYRange = shaped->accelerationYRange;
    angleRange = shaped->angleRange;
    angVelocityRange = shaped->angVelocityRange;
    colorStart = shaped->colorStart;
    colorEnd = shaped->colorEnd;
    colorVariation = shaped->colorVariation;
    scaleRange = shaped->scaleRange;
    scaleVariation = shaped->scaleVariation;
    startScaleTimeRange = shaped->startScaleTimeRange;
}

void ShapedEmitter::writeShaped(CPropertyBag& bag) const {
    writeRange(bag, "VelocityXRange", velocityXRange);
    writeRange(bag, "VelocityYRange", velocityYRange);
    writeRange(bag, "VelocityRotationAngleRange", velocityRotationAngleRange);
    writeRange(bag, "AccelerationXRange", accelerationXRange);
    writeRange(bag, "AccelerationYRange", accelerationYRange);
    writeRange(bag, "AngleRange", angleRange);
    writeRange(bag, "AngVelocityRange", angVelocityRange);
    if (colorStart.value != kWhite)
        bag.setColor("ColorStart", colorStart);
    if (colorEnd.value != kWhite)
        bag.setColor("ColorEnd", colorEnd);
    if (colorVariation != 0.0f)
        bag.setFloat("ColorVariation", colorVariation);
    writeRange(bag, "ScaleRange", scaleRange, {1.0f, 1.0f});
    if (scaleVariation != 0.0f)
        bag.setFloat("ScaleVariation", scaleVariation);
    writeRange(bag, "StartScaleTimeRange", startScaleTimeRange);
}

void ShapedEmitter::readShaped(const CPropertyBag& bag) {
    readRange(bag, "VelocityXRange", velocityXRange);
    readRange(bag, "VelocityYRange", velocityYRange);
    readRange(bag, "VelocityRotationAngleRange", velocityRotationAngleRange);
    readRange(bag, "AccelerationXRange", accelerationXRange);
    readRange(bag, "AccelerationYRange", accelerationYRange);
    readRange(bag, "AngleRange", angleRange);
    readRange(bag, "AngVelocityRange", angVelocityRange);
    if (has(bag, "ColorStart"))
        colorStart = getPropertyColor(bag.get("ColorStart"));
    if (has(bag, "ColorEnd"))
        colorEnd = getPropertyColor(bag.get("ColorEnd"));
    if (has(bag, "ColorVariation"))
        colorVariation = getPropertyFloat(bag.get("ColorVariation"));
    readRange(bag, "ScaleRange", scaleRange);
    if (has(bag, "ScaleVariation"))
        scaleVariation = getPropertyFloat(bag.get("ScaleVariation"));
    readRange(bag, "StartScaleTimeRange", startScaleTimeRange);
}

template <CVector2d ShapedEmitter::*Field> void ShapedEmitter::setRange(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyVector2d(value);
}
template <CVector2d ShapedEmitter::*Field> CRefHandle<IPropertyData> ShapedEmitter::getRange() const {
    return CPropertyDataVector2d::create(this->*Field);
}
template <CColor ShapedEmitter::*Field> void ShapedEmitter::setColour(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyColor(value);
}
template <CColor ShapedEmitter::*Field> CRefHandle<IPropertyData> ShapedEmitter::getColour() const {
    return CPropertyDataColor::create(this->*Field);
}
template <float ShapedEmitter::*Field> void ShapedEmitter::setFloat(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyFloat(value);
}
template <float ShapedEmitter::*Field> CRefHandle<IPropertyData> ShapedEmitter::getFloat() const {
    return CPropertyDataFloat::create(this->*Field);
}

void ShapedEmitter::addShapedProperties(CPropertyTable& t) {
    using E = ShapedEmitter;
    t.add<&E::setRange<&E::velocityXRange>, &E::getRange<&E::velocityXRange>>("VelocityXRange");
    t.add<&E::setRange<&E::velocityYRange>, &E::getRange<&E::velocityYRange>>("VelocityYRange");
    t.add<&E::setRange<&E::velocityRotationAngleRange>, &E::getRange<&E::velocityRotationAngleRange>>(
        "VelocityRotationAngleRange");
    t.add<&E::setRange<&E::accelerationXRange>, &E::getRange<&E::accelerationXRange>>("AccelXRange");
    t.add<&E::setRange<&E::accelerationYRange>, &E::getRange<&E::accelerationYRange>>("AccelYRange");
    t.add<&E::setRange<&E::angleRange>, &E::getRange<&E::angleRange>>("AngleRange");
    t.add<&E::setRange<&E::angVelocityRange>, &E::getRange<&E::angVelocityRange>>("AngVelocityRange");
    t.add<&E::setColour<&E::colorStart>, &E::getColour<&E::colorStart>>("ColorStart");
    t.add<&E::setColour<&E::colorEnd>, &E::getColour<&E::colorEnd>>("ColorEnd");
    t.add<&E::setFloat<&E::colorVariation>, &E::getFloat<&E::colorVariation>>("ColorVariation");
    t.add<&E::setRange<&E::scaleRange>, &E::getRange<&E::scaleRange>>("ScaleRange");
    t.add<&E::setFloat<&E::scaleVariation>, &E::getFloat<&E::scaleVariation>>("ScaleVariation");
    t.add<&E::setRange<&E::startScaleTimeRange>, &E::getRange<&E::startScaleTimeRange>>("StartScaleTimeRange");
}

bool ShapedEmitter::update(uint32_t elapsed) {
    if (!m_particles)
        return false;
    CRandom& random = this->random();
    accumulator += float(elapsed);
    const float pps = randomInRange(random, m_ppsRange);
    if (!(pps > 0.0f))
        return true; // no rate (or a negative one): nothing is born
    const float period = float(1000.0 / double(pps));
    // Divided in single precision: 3 per second over 1000 ms makes 3, where
    // the exact quotient (2.9999999...) would make 2.
    const float due = accumulator / period;
    if (!(due >= 1.0f))
        return true;
    // Beyond the array's capacity the count no longer matters.
    const uint32_t n = due >= 4.0e9f ? 4000000000u : uint32_t(due);
    accumulator -= float(n) * period;
    const uint32_t used = m_particles->size();
    const uint32_t room = m_particles->capacity() - used;
    const uint32_t born = n < room ? n : room;
    m_particles->setSize(used + born);
    Particle* p = m_particles->data() + used;
    for (uint32_t i = 0; i < born; ++i)
        birth(p[i], random);
    return true;
}

void ShapedEmitter::birth(Particle& p, CRandom& random) const {
    const CVector2d offset = drawOffset(random);
    p.age = 0;
    p.lifetime = toLifetime(randomInRange(random, m_lifeTimeRange));
    p.posX = m_origin.x + offset.x;
    p.posY = m_origin.y + offset.y;
    CVector2d velocity(randomInRange(random, velocityXRange), randomInRange(random, velocityYRange));
    if (velocityRotationAngleRange.x != 0.0f || velocityRotationAngleRange.y != 0.0f)
        velocity.rotateWholeDegrees(wholeDegrees(randomInRange(random, velocityRotationAngleRange), true));
    p.velX = velocity.x;
    p.velY = velocity.y;
    p.accX = randomInRange(random, accelerationXRange);
    p.accY = randomInRange(random, accelerationYRange);
    p.angle = randomInRange(random, angleRange);
    p.angVel = randomInRange(random, angVelocityRange);
    p.angAcc = 0.0f;
    p.colour = CColorf(colorStart);
    const float seconds = float(p.lifetime) * 0.001f;
    if (seconds > 0.0f) {
        const CColorf end(colorEnd);
        p.colourStep = CColorf((end.r - p.colour.r) / seconds, (end.g - p.colour.g) / seconds,
                               (end.b - p.colour.b) / seconds, (end.a - p.colour.a) / seconds);
    } else {
        p.colourStep = CColorf(0.0f, 0.0f, 0.0f, 0.0f);
    }
    const float start = drawStartScale(random);
    p.scale = p.startScale = start;
    float grow = randomInRange(random, startScaleTimeRange);
    if (grow < 0.0f || grow >= float(p.lifetime) || !(grow == grow))
        grow = 0.0f;
    p.growCountdown = p.growTime = grow;
    const float rest = (float(p.lifetime) - grow) * 0.001f;
    p.scaleSpeed = rest > 0.0f ? (scaleRange.y - start) / rest : 0.0f;
}

// ---------------------------------------------------------------------------
// PointEmitter

const CStringW& PointEmitter::getTypeName() const {
    static const CStringW name(u"PointEmitter");
    return name;
}
const CStringW& PointEmitter::getClassName() const { return PointEmitter::getTypeName(); }
BaseEmitter* PointEmitter::createSame() const { return new PointEmitter(getContentName()); }

const CPropertyTable& PointEmitter::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& PointEmitter::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseEmitter::propertyTable());
        t.add<&PointEmitter::setRadiusProperty, &PointEmitter::getRadiusProperty>("RadiusRange");
        addShapedProperties(t);
        return t;
    }();
    return table;
}

void PointEmitter::setRadiusProperty(const CRefHandle<IPropertyData>& value) {
    radiusRange = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> PointEmitter::getRadiusProperty() const { return CPropertyDataVector2d::create(radiusRange); }

void PointEmitter::copyFrom(const BaseEmitter* source) {
    ShapedEmitter::copyFrom(source);
    const auto* point = dynamic_cast<const PointEmitter*>(source);
    if (point && point != this)
        radiusRange = point->radiusRange;
}

void PointEmitter::writeProperties(CPropertyBag& bag) const {
    BaseEmitter::writeProperties(bag);
    writeRange(bag, "RadiusRange", radiusRange);
    writeShaped(bag);
}

void PointEmitter::readProperties(const CPropertyBag& bag) {
    BaseEmitter::readProperties(bag);
    readRange(bag, "RadiusRange", radiusRange);
    readShaped(bag);
}

CVector2d PointEmitter::drawOffset(CRandom& random) const {
    const float r = randomInRange(random, radiusRange);
    if (!(r > 0.0f))
        return {};
    const uint32_t d = random.nextFast() % 360u;
    const auto& sine = sineTable();
    return {r * sine[(d + 90u) % 360u], r * sine[d]};
}

// ---------------------------------------------------------------------------
// RectangleEmitter

const CStringW& RectangleEmitter::getTypeName() const {
    static const CStringW name(u"RectangleEmitter");
    return name;
}
const CStringW& RectangleEmitter::getClassName() const { return RectangleEmitter::getTypeName(); }
BaseEmitter* RectangleEmitter::createSame() const { return new RectangleEmitter(getContentName()); }

const CPropertyTable& RectangleEmitter::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& RectangleEmitter::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseEmitter::propertyTable());
        t.add<&RectangleEmitter::setXRangeProperty, &RectangleEmitter::getXRangeProperty>("XRange");
        t.add<&RectangleEmitter::setYRangeProperty, &RectangleEmitter::getYRangeProperty>("YRange");
        addShapedProperties(t);
        return t;
    }();
    return table;
}

void RectangleEmitter::setXRangeProperty(const CRefHandle<IPropertyData>& value) {
    xRange = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> RectangleEmitter::getXRangeProperty() const { return CPropertyDataVector2d::create(xRange); }
void RectangleEmitter::setYRangeProperty(const CRefHandle<IPropertyData>& value) {
    yRange = getPropertyVector2d(value);
}
CRefHandle<IPropertyData> RectangleEmitter::getYRangeProperty() const { return CPropertyDataVector2d::create(yRange); }

void RectangleEmitter::copyFrom(const BaseEmitter* source) {
    ShapedEmitter::copyFrom(source);
    const auto* rectangle = dynamic_cast<const RectangleEmitter*>(source);
    if (rectangle && rectangle != this) {
        xRange = rectangle->xRange;
        yRange = rectangle->yRange;
    }
}

void RectangleEmitter::writeProperties(CPropertyBag& bag) const {
    BaseEmitter::writeProperties(bag);
    writeRange(bag, "XRange", xRange);
    writeRange(bag, "YRange", yRange);
    writeShaped(bag);
}

void RectangleEmitter::readProperties(const CPropertyBag& bag) {
    BaseEmitter::readProperties(bag);
    readRange(bag, "XRange", xRange);
    readRange(bag, "YRange", yRange);
    readShaped(bag);
}

CVector2d RectangleEmitter::drawOffset(CRandom& random) const {
    const uint32_t side = random.nextFast() % 4u;
    CVector2d offset;
    switch (side) {
    case 0:
        offset.x = randomInRange(random, -xRange.y, xRange.y);
        offset.y = randomInRange(random, yRange.x, yRange.y);
        break;
    case 1:
        offset.x = randomInRange(random, xRange.x, xRange.y);
        offset.y = randomInRange(random, -yRange.y, yRange.y);
        break;
    case 2:
        offset.x = randomInRange(random, -xRange.y, xRange.y);
        offset.y = randomInRange(random, -yRange.x, -yRange.y);
        break;
    default:
        offset.x = randomInRange(random, -xRange.x, -xRange.y);
        offset.y = randomInRange(random, -yRange.y, yRange.y);
        break;
    }
    return offset;
}

// ---------------------------------------------------------------------------

namespace {

template <class T> BaseEmitter* createEmitterOf(const CObjectName& name) { return new T(name); }

} // namespace

void registerStandardEmitters(CEmitterFactory& factory) {
    if (!factory.hasEmitterType(u"PointEmitter"))
        factory.registerEmitterType(u"PointEmitter", &createEmitterOf<PointEmitter>);
    if (!factory.hasEmitterType(u"RectangleEmitter"))
        factory.registerEmitterType(u"RectangleEmitter", &createEmitterOf<RectangleEmitter>);
}
