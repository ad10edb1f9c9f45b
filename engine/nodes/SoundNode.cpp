#include "engine/nodes/SoundNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"

namespace {

constexpr int32_t kStatePaused = 1;
constexpr int32_t kStatePlaying = 2;

} // namespace

SoundNode::SoundNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {}

SoundNode::~SoundNode() { stopInstance(); }

const CStringW& SoundNode::getTypeName() const {
    static const CStringW name(u"SoundNode");
    return name;
}

const CStringW& SoundNode::getClassName() const { return SoundNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Playback

void SoundNode::stopInstance() {
    if (!m_instance)
        return;
    CRefHandle<SoundCue> instance = std::move(m_instance);
    m_instance.reset();
    static_cast<void>(instance->stop(m_fadeOutTime));
}

void SoundNode::updatePlayback() {
    if (!getSceneManager<BaseNode>() || !isVisible())
        return;
    if (!m_play) {
        if (m_instance)
            static_cast<void>(m_instance->stop(m_fadeOutTime));
        return;
    }
    if (m_soundCueName.empty() || m_instance)
        return;
    CEngine* engine = findEngineInstance();
    CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr;
    if (cues)
        m_instance = CRefHandle<SoundCue>::share(cues->play(m_soundCueName, false, 0));
}

void SoundNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    if (isTransformDirty() || isColorDirty())
        refreshDirtyTransformAndColor();
    updatePlayback();
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void SoundNode::setPlay(bool play) {
    m_play = play;
    updatePlayback();
    if (!isVisible() || !m_instance)
        return;
    if (!play) {
        static_cast<void>(m_instance->stop(m_fadeOutTime));
        return;
    }
    const int32_t state = m_instance->getState();
    if (state == kStatePlaying)
        return;
    // A paused instance would sound again once its group resumes: it goes
    // before the new one starts, so that the two never play together.
    if (state == kStatePaused)
        static_cast<void>(m_instance->stop(0));
    CRefHandle<SoundCue> old = std::move(m_instance);
    m_instance.reset();
    m_instance = CRefHandle<SoundCue>::share(old->play(0));
}

void SoundNode::setSoundCueName(CName name) {
    if (name == m_soundCueName)
        return;
    stopInstance();
    m_soundCueName = name;
    updatePlayback();
}

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& SoundNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& SoundNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&SoundNode::setSoundCueNameProperty, &SoundNode::getSoundCueNameProperty>("SoundCueName");
        t.add<&SoundNode::setPlayProperty, &SoundNode::getPlayProperty>("Play");
        t.add<&SoundNode::setFadeOutTimeProperty, &SoundNode::getFadeOutTimeProperty>("FadeOutTime");
        return t;
    }();
    return table;
}

void SoundNode::setSoundCueNameProperty(const CRefHandle<IPropertyData>& value) {
    setSoundCueName(getPropertyNameId(value));
}
CRefHandle<IPropertyData> SoundNode::getSoundCueNameProperty() const {
    return CPropertyDataString::createFromNameId(m_soundCueName);
}
void SoundNode::setPlayProperty(const CRefHandle<IPropertyData>& value) { setPlay(getPropertyBool(value)); }
CRefHandle<IPropertyData> SoundNode::getPlayProperty() const { return CPropertyDataBool::create(m_play); }
void SoundNode::setFadeOutTimeProperty(const CRefHandle<IPropertyData>& value) {
    setFadeOutTime(getPropertyInt(value));
}
CRefHandle<IPropertyData> SoundNode::getFadeOutTimeProperty() const { return CPropertyDataInt::create(m_fadeOutTime); }

void SoundNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!m_soundCueName.empty())
        bag.set("SoundCueName", CPropertyDataString::createFromNameId(m_soundCueName));
    if (m_fadeOutTime != 0)
        bag.setInt("FadeOutTime", m_fadeOutTime);
    bag.setBool("Play", m_play);
}

void SoundNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("Play") >= 0)
        setPlay(getPropertyBool(bag.get("Play")));
    if (bag.indexOf("SoundCueName") >= 0)
        setSoundCueName(getPropertyNameId(bag.get("SoundCueName")));
    if (bag.indexOf("FadeOutTime") >= 0)
        setFadeOutTime(getPropertyInt(bag.get("FadeOutTime")));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* SoundNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<SoundNode>(parent, sceneManager);
}

void SoundNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const SoundNode* sound = nodeCast<SoundNode>(source);
    if (!sound || sound == this)
        return;
    m_soundCueName = sound->m_soundCueName;
    setFadeOutTime(sound->m_fadeOutTime);
    setPlay(sound->m_play);
}
