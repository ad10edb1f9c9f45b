#include "game/config/RandomEvents.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

RandomEvents::~RandomEvents() = default;

void RandomEvents::readFromXml(CXmlStreamReader& reader) {
    stopAll();
    m_requests.clear();
    readChildElements(reader, u"RandomEvents", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Event"))
            return;
        CRefHandle<GRandomEventRequest> request(GRandomEventRequest::create(r.attribute("Type")));
        if (!request)
            return;
        request->readFromXml(r);
        m_requests.push_back(request);
    });
}

void RandomEvents::startAll(CEventReceiver* receiver, CUpdateScheduler* scheduler) {
    for (const CRefHandle<GRandomEventRequest>& request : m_requests) {
        request->start(receiver, scheduler);
        if (!request->update(StartUpdateMs))
            request->setScheduler(nullptr);
        request->setPaused(true);
    }
}

void RandomEvents::stopAll() {
    for (const CRefHandle<GRandomEventRequest>& request : m_requests)
        request->stop();
}

void RandomEvents::setAllPaused(bool paused) {
    for (const CRefHandle<GRandomEventRequest>& request : m_requests)
        request->setPaused(paused);
}

void RandomEvents::add(GRandomEventRequest* request) {
    if (request)
        m_requests.push_back(CRefHandle<GRandomEventRequest>::share(request));
}
