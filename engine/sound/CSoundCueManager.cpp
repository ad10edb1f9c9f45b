#include "engine/sound/CSoundCueManager.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CEventUpdate.h"
#include "engine/sound/CEventSoundCueFinished.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/ISoundInstance.h"
#include "engine/sound/SoundCue.h"

CSoundCueManager::CSoundCueManager(IAudioDevice* device) : m_device(CRefHandle<IAudioDevice>::share(device)) {
    setMask(CEvent::MaskDevice | CEvent::MaskSystemFlow);
}

CSoundCueManager::~CSoundCueManager() {
    // Cues and instances someone else still holds must not reach back here.
    for (const CRefHandle<SoundCue>& instance : m_playing)
        instance->setManager(nullptr);
    for (auto& entry : m_cues)
        entry.value->setManager(nullptr);
    m_playing.clear();
    m_cues.clear();
}

const CEventHandlerTable& CSoundCueManager::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&CSoundCueManager::onUpdateEvent>(CEventUpdate::TypeId);
        t.add<&CSoundCueManager::onAudioDeviceReleased>(IDeviceServiceEvent::AudioDeviceReleased);
        t.add<&CSoundCueManager::onAudioDeviceCreated>(IDeviceServiceEvent::AudioDeviceCreated);
        return t;
    }();
    return table;
}

bool CSoundCueManager::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CSoundCueManager::onUpdateEvent(CEventUpdate* event) {
    update(event->getElapsed());
    return false;
}

bool CSoundCueManager::onAudioDeviceReleased(CEvent*) {
    m_device.reset();
    return false;
}

bool CSoundCueManager::onAudioDeviceCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_device = CRefHandle<IAudioDevice>::share(serviceEvent ? dynamic_cast<IAudioDevice*>(serviceEvent->getService())
                                                            : nullptr);
    return false;
}

bool CSoundCueManager::addCue(SoundCue* cue) {
    if (!cue || m_cues.contains(cue->getName()))
        return false;
    m_cues.insert(cue->getName(), CRefHandle<SoundCue>::share(cue));
    cue->setManager(this);
    cue->updateEffectiveVolume();
    return true;
}

SoundCue* CSoundCueManager::findCue(CName name) const {
    auto found = m_cues.find(name);
    return found == m_cues.end() ? nullptr : found->value.get();
}

int64_t CSoundCueManager::findPlaying(CName name) const {
    for (uint32_t i = 0; i < m_playing.size(); ++i)
        if (m_playing[i]->getName() == name)
            return i;
    return -1;
}

SoundCue* CSoundCueManager::play(CName name, bool unique, int32_t fadeInMs) {
    if (unique && findPlaying(name) >= 0)
        return nullptr;
    SoundCue* cue = findCue(name);
    if (!cue)
        return nullptr;
    if (fadeInMs == 0)
        fadeInMs = getGroup(cue->getGroup()).fadeInMs;
    return cue->play(fadeInMs);
}

void CSoundCueManager::stop(CName name, int32_t fadeOutMs) {
    const int64_t index = findPlaying(name);
    if (index < 0)
        return;
    SoundCue* instance = m_playing[uint32_t(index)].get();
    if (fadeOutMs == 0)
        fadeOutMs = getGroup(instance->getGroup()).fadeOutMs;
    (void)instance->stop(fadeOutMs);
}

void CSoundCueManager::stopGroup(int32_t group) {
    for (const CRefHandle<SoundCue>& instance : m_playing)
        if (group == MasterGroup || instance->getGroup() == group)
            (void)instance->stop(0);
}

void CSoundCueManager::pauseGroup(bool pause, int32_t group) {
    if (group != MasterGroup)
        getGroup(group).paused = pause;
    for (const CRefHandle<SoundCue>& instance : m_playing)
        if (group == MasterGroup || instance->getGroup() == group)
            (void)instance->pause(pause);
}

void CSoundCueManager::setGroupVolume(float volume, int32_t group) {
    getGroup(group).volume = volume;
    for (auto& entry : m_cues)
        if (group == MasterGroup || entry.value->getGroup() == group)
            entry.value->updateEffectiveVolume();
    for (const CRefHandle<SoundCue>& instance : m_playing)
        if (group == MasterGroup || instance->getGroup() == group)
            instance->updateEffectiveVolume();
}

float CSoundCueManager::getGroupVolume(int32_t group) const {
    auto found = m_groups.find(group);
    return found == m_groups.end() ? SoundGroup().volume : found->value.volume;
}

SoundGroup& CSoundCueManager::getGroup(int32_t group) { return m_groups[group]; }

bool CSoundCueManager::isGroupPlaying(int32_t group) const {
    for (const CRefHandle<SoundCue>& instance : m_playing)
        if (instance->getGroup() == group)
            return true;
    return false;
}

bool CSoundCueManager::isCuePlaying(CName name) const { return findPlaying(name) >= 0; }

void CSoundCueManager::removeGroupCues(int32_t group) {
    for (auto it = m_cues.begin(); it != m_cues.end();) {
        if (it->value->getGroup() == group) {
            it->value->setManager(nullptr);
            it = m_cues.erase(it);
        } else {
            ++it;
        }
    }
    for (uint32_t i = 0; i < m_playing.size();) {
        if (m_playing[i]->getGroup() == group) {
            m_playing[i]->setManager(nullptr);
            m_playing.eraseSwapLast(i);
        } else {
            ++i;
        }
    }
}

bool CSoundCueManager::admit(int32_t group) {
    SoundGroup& rules = getGroup(group);
    if (rules.volume == 0.0f)
        return false;
    if (rules.maxPlaying == 0)
        return true;
    int32_t sounding = 0;
    SoundCue* oldest = nullptr;
    for (const CRefHandle<SoundCue>& instance : m_playing) {
        if (instance->getGroup() != group || instance->getState() == ISoundInstance::StateStopped ||
            instance->getFadeState() == SoundCue::FadeOut)
            continue;
        if (!oldest)
            oldest = instance.get();
        ++sounding;
    }
    if (sounding < rules.maxPlaying)
        return true;
    if (rules.policy == SoundGroup::PolicyRefuse)
        return false;
    if (rules.policy == SoundGroup::PolicyStopOldest && oldest)
        (void)oldest->stop(rules.fadeOutMs);
    return true;
}

float CSoundCueManager::volumeFactor(int32_t group) const {
    const float master = getGroupVolume(MasterGroup);
    return group == MasterGroup ? master : master * getGroupVolume(group);
}

void CSoundCueManager::addPlaying(SoundCue* instance) {
    if (instance)
        m_playing.push_back(CRefHandle<SoundCue>::share(instance));
}

void CSoundCueManager::update(uint32_t elapsedMs) {
    for (uint32_t i = 0; i < m_playing.size();) {
        CRefHandle<SoundCue> instance = m_playing[i];
        instance->update(elapsedMs);
        if (instance->getState() != ISoundInstance::StateStopped) {
            ++i;
            continue;
        }
        if (instance->tracksPlayStates()) {
            if (CEngine* engine = findEngineInstance()) {
                CRefHandle<CEventSoundCueFinished> event(new CEventSoundCueFinished(instance.get()));
                (void)engine->postEvent(event.get());
            }
        }
        // A handler of the event may have changed the list: find the
        // instance again. The next one then stands at the same position.
        const int64_t index = m_playing.indexOf(instance);
        if (index >= 0)
            m_playing.erase(uint32_t(index));
        if (index < 0 || uint32_t(index) > i)
            ++i;
    }
}
