#include "engine/core/CEngine.h"

#include "engine/core/CEvent.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CLog.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/ICursorControl.h"

#include <algorithm>
#include <cmath>

namespace {

struct EngineRegistration {
    CEngine* engine = nullptr;
    CEngineFactory factory = nullptr;
};

EngineRegistration& registration() {
    static EngineRegistration instance;
    return instance;
}

} // namespace

CEngine* getEngineInstance() {
    EngineRegistration& reg = registration();
    if (reg.engine)
        return reg.engine;
    if (!reg.factory) {
        CLog::instance()->log("Can't create the engine: no platform device is available", CLog::Error);
        return nullptr;
    }
    const CEngineCreationParams defaults;
    // The factory registers the engine when its creation succeeds.
    (void)reg.factory(defaults);
    return reg.engine;
}

CEngine* findEngineInstance() { return registration().engine; }

void setEngineInstance(CEngine* engine) { registration().engine = engine; }

void setEngineFactory(CEngineFactory factory) { registration().factory = factory; }

CEngine::CEngine(const CEngineCreationParams& params, ITimeSource* timeSource)
    : m_params(params), m_clock(new CClock(timeSource)), m_displayModes(new CDisplayModeList) {
    m_params.version = CEngineCreationParams::EngineVersion;
    setMask(CEvent::MaskAll);
    setSetting("PublisherName", DefaultPublisherName);
    setSetting("TitleName", DefaultTitleName);
    setSetting("TitleCaption", DefaultTitleName);
    CLog::instance()->log(CString("MRX Game Engine version ") + m_params.version, CLog::Info);
}

CEngine::~CEngine() {
    // Listeners are not owned; the services go in this order.
    m_listeners.clear();
    m_audioDevice.reset();
    m_videoDriver.reset();
    m_profileManager.reset();
    m_soundCueManager.reset();
    m_contentProcessors.reset();
    m_fileSystem.reset();
    m_systemInfo.reset();
    m_cursorControl.reset();
    m_displayModes.reset();
    m_clock.reset();
    m_settings.clear();
    if (registration().engine == this)
        registration().engine = nullptr;
}

bool CEngine::postEvent(CEvent* event) { return dispatch(HandleThenChildren, event); }

bool CEngine::routeToChildren(int phase, CEvent* event) {
    if (m_listeners.empty())
        return false;
    // Listeners may add or remove listeners while they handle the event: walk
    // a snapshot, skipping entries no longer in the live list. Listeners added
    // meanwhile see the next event.
    const CArray<Listener> snapshot = m_listeners;
    for (const Listener& entry : snapshot) {
        if (!isListener(entry.receiver))
            continue;
        if ((entry.receiver->getMask() & event->getMask()) == 0)
            continue;
        if (entry.receiver->dispatch(phase, event))
            return true;
    }
    return false;
}

bool CEngine::applyCreationParameters(const CEngineCreationParams&) { return false; }

bool CEngine::applyAudioSettings(const CEngineCreationParams&) { return false; }

bool CEngine::run() { return false; }

void CEngine::closeDevice() { CLog::instance()->log("closeDevice() was called", CLog::Info); }

bool CEngine::addListener(CEventReceiver* receiver, int32_t priority) {
    if (!receiver || isListener(receiver))
        return false;
    m_listeners.push_back({receiver, priority});
    m_listeners.sort([](const Listener& a, const Listener& b) { return a.priority < b.priority; });
    return true;
}

void CEngine::removeListener(CEventReceiver* receiver) {
    for (uint32_t i = 0; i < m_listeners.size(); ++i) {
        if (m_listeners[i].receiver == receiver) {
            m_listeners.erase(i);
            return;
        }
    }
}

bool CEngine::isListener(const CEventReceiver* receiver) const {
    for (const Listener& entry : m_listeners)
        if (entry.receiver == receiver)
            return true;
    return false;
}

CUpdateScheduler* CEngine::createScheduler() { return new CUpdateScheduler; }

void CEngine::setWindowTitle(const CStringW&) {}

bool CEngine::isActive() const { return false; }

bool CEngine::isMinimized() const { return false; }

void CEngine::hideWindow() {}

bool CEngine::inFullscreen() const { return m_params.fullScreen; }

bool CEngine::applyGammaRamp(float, float, float, float, float) { return false; }

bool CEngine::readGammaRamp(float&, float&, float&, float&, float&) { return false; }

bool CEngine::openUrl(const CStringW&) { return false; }

void CEngine::createServices() {
    if (m_contentProcessorsReceiver)
        (void)addListener(m_contentProcessorsReceiver, ContentProcessorsPriority);
    if (m_soundCueReceiver)
        (void)addListener(m_soundCueReceiver, SoundCuePriority);
    m_lastUpdateTime = m_clock->virtualTime();
    m_servicesCreated = true;
}

void CEngine::replaceListenerService(CEventReceiver*& slot, CEventReceiver* receiver, int32_t priority) {
    if (slot)
        removeListener(slot);
    slot = receiver;
    if (receiver && m_servicesCreated)
        (void)addListener(receiver, priority);
}

void CEngine::setSetting(const CString& name, const CStringW& value) { m_settings[name] = value; }

const CStringW& CEngine::getSetting(const CString& name) const {
    auto found = m_settings.find(name);
    return found == m_settings.end() ? CStringW::emptyString() : found->value;
}

bool CEngine::hasSetting(const CString& name) const { return m_settings.contains(name); }

void CEngine::postUpdate(uint32_t elapsed) {
    CEventUpdate* event = new CEventUpdate(elapsed);
    postEvent(event);
    event->release();
}

void CEngine::postRender() {
    CEventRender* event = new CEventRender;
    postEvent(event);
    event->release();
}

void CEngine::tick(bool update, bool render, uint32_t minInterval, uint32_t maxStep, uint32_t maxLag) {
    CClock& clock = *m_clock;
    if (!update && !render) {
        if (!clock.isPaused())
            clock.pause();
        return;
    }
    if (ICursorControl* cursor = m_cursorControl.get())
        cursor->refreshPosition();
    if (!update) {
        if (!clock.isPaused())
            clock.pause();
        postRender();
        return;
    }

    if (clock.isPaused())
        clock.resume();
    // Zero would post empty updates or, for the step, never finish.
    if (minInterval == 0)
        minInterval = 1;
    if (maxStep == 0)
        maxStep = 1;

    // All times wrap at 32 bits, so only differences are compared.
    const uint32_t now = clock.virtualTime();
    if (now - m_lastUpdateTime > maxLag)
        m_lastUpdateTime = now - maxLag; // the excess is dropped
    if (now - m_lastUpdateTime < minInterval) {
        if (render)
            postRender();
        return;
    }

    if (now - m_lastUpdateTime <= maxStep) {
        postUpdate(now - m_lastUpdateTime);
        m_lastUpdateTime = now;
    } else {
        do {
            postUpdate(maxStep);
            m_lastUpdateTime += maxStep;
        } while (now - m_lastUpdateTime >= maxStep);
    }
    // A tick that updated always renders.
    postRender();
}

void CEngine::buildGammaRamp(uint16_t ramp[256], float gamma, float brightness, float contrast) {
    // Inputs are limited before anything is converted to an integer: beyond
    // these bounds every entry saturates anyway.
    if (!std::isfinite(brightness))
        brightness = 0.0f;
    brightness = std::clamp(brightness, -4.0f, 4.0f);
    if (!std::isfinite(contrast))
        contrast = 0.0f;
    const int offset = int(brightness * 16383.75f);
    float denominator = 255.0f - contrast * 127.5f;
    // At a contrast of 2 or more the divisor would be 0 or negative: the
    // steepest ramp instead.
    if (denominator < 1.0f)
        denominator = 1.0f;
    const float scale = 1.0f / denominator;
    const float exponent = gamma > 0.0f ? 1.0f / gamma : 0.0f;
    for (int i = 0; i < 256; ++i) {
        float value = std::pow(float(i) * scale, exponent) * 65535.0f + 0.5f;
        if (!(value < 140000.0f))
            value = 140000.0f;
        const int entry = int(value) + offset;
        ramp[i] = uint16_t(std::clamp(entry, 0, 65535));
    }
}

float CEngine::estimateGammaFromRamp(const uint16_t ramp[256]) {
    float sum = 0.0f;
    int count = 0;
    for (int i = 1; i < 256; ++i) {
        const uint16_t v = ramp[i];
        if (v == 0 || v == 65535)
            continue;
        sum += std::log(float(v) / 65535.0f) / std::log(float(i) / 256.0f);
        ++count;
    }
    if (count > 0 && sum != 0.0f && std::isfinite(sum))
        return float(count) / sum;
    return 1.0f;
}
