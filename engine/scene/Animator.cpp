#include "engine/scene/Animator.h"

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CNodeState.h"

Animator::Animator(uint32_t interval) { setUpdateInterval(interval); }

Animator::~Animator() = default;

const CStringW& Animator::getTypeName() const {
    static const CStringW name(u"Base");
    return name;
}

const CStringW& Animator::getClassName() const { return Animator::getTypeName(); }

bool Animator::start(CUpdateScheduler* scheduler) {
    setScheduler(scheduler);
    m_reportPending = true;
    return true;
}

void Animator::stop(bool, bool notify) {
    setScheduler(nullptr);
    if (notify)
        report(0, false);
}

bool Animator::update(uint32_t) { return false; }

void Animator::report(int32_t time, bool looped) {
    m_reportPending = false;
    if (!m_listener || !(m_listener->getMask() & CEvent::MaskNode))
        return;
    // The listener may drop this key while it handles the report.
    const CRefHandle<Animator> keepAlive = CRefHandle<Animator>::share(this);
    CEventKeyFinished* event = new CEventKeyFinished(this, time, looped);
    m_listener->handleEvent(event);
    event->release();
}

void Animator::saveStart(CXmlStreamWriter* writer, const CStringW& elementName, const CStringW* extraNames,
                         const CStringW* extraValues, int extraCount) const {
    CArray<CStringW> names;
    CArray<CStringW> values;
    names.push_back(CStringW(u"Type"));
    values.push_back(getTypeName());
    if (!m_name.empty()) {
        names.push_back(CStringW(u"Name"));
        values.push_back(CStringW(m_name.str()));
    }
    for (int i = 0; i < extraCount; ++i) {
        names.push_back(extraNames[i]);
        values.push_back(extraValues[i]);
    }
    writer->openElement(elementName.c_str(), false, names, values);
    writer->newLine();
}

void Animator::saveEnd(CXmlStreamWriter* writer, const CStringW& elementName) {
    writer->closeElement(elementName.c_str());
    writer->newLine();
}
