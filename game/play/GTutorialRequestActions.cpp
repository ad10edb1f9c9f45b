#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/play/GTutorialActions.h"

// The request kinds, and the query of "BuildingCompletedOrExist".

namespace {

// Sends `message` (adopted) to the level and lets it go.
void send(CEventReceiver* receiver, CEvent* message) {
    CRefHandle<CEvent> held(message);
    (void)sendToLevel(receiver, held.get());
}

void sendPause(CEventReceiver* receiver, bool pause) { send(receiver, new GPauseRequestMessage(pause)); }

} // namespace

// GeneratePauseRequest

void GTutorialActionGeneratePauseRequest::load(const CXmlStreamReader& reader) {
    const CStringW& value = reader.attribute("Value");
    m_hasValue = !value.empty();
    m_pause = value == u"true";
}

void GTutorialActionGeneratePauseRequest::activate(CEventReceiver* receiver) {
    m_receiver = receiver;
    if (m_receiver)
        sendPause(m_receiver, m_hasValue ? m_pause : true);
}

void GTutorialActionGeneratePauseRequest::deactivate() {
    if (m_receiver && !m_hasValue)
        sendPause(m_receiver, false);
}

// LevelModifierRequest

void GTutorialActionLevelModifierRequest::load(const CXmlStreamReader& reader) {
    m_value = reader.attributeFloat("Value", 1.0f);
    const CStringW& modifier = reader.attribute("Modifier");
    m_modifier = modifier.empty() ? CName() : CName(CString(modifier));
}

void GTutorialActionLevelModifierRequest::deactivate() {
    if (m_receiver)
        send(m_receiver, new GLevelModifierRequestMessage(m_value, m_modifier));
}

// Broken, dirty and letter requests

void GTutorialBuildingRequestAction::load(const CXmlStreamReader& reader) {
    splitNames(m_buildingTypes, CString(reader.attribute("BuildingTypes")), true);
    splitNames(m_placeNames, CString(reader.attribute("PlaceNames")), true);
}

void GTutorialBuildingRequestAction::update(uint32_t) {
    if (m_receiver)
        send(m_receiver, createRequest(m_buildingTypes, m_placeNames));
}

CEvent* GTutorialActionGenerateBrokenBuildingRequest::createRequest(const CArray<CName>& buildingTypes,
                                                                    const CArray<CName>& placeNames) const {
    return new GBrokenBuildingEvent(buildingTypes, placeNames, false);
}

CEvent* GTutorialActionGenerateDirtyBuildingRequest::createRequest(const CArray<CName>& buildingTypes,
                                                                   const CArray<CName>& placeNames) const {
    return new GDirtyBuildingEvent(buildingTypes, placeNames, false);
}

CEvent* GTutorialActionGenerateLetterRequest::createRequest(const CArray<CName>& buildingTypes,
                                                            const CArray<CName>& placeNames) const {
    return new GLetterEvent(buildingTypes, placeNames, false, GFloatRange{1.5f, 2.0f},
                            GFloatRange{200000000.0f, 200000000.0f});
}

// BuildingCompletedOrExist

const CEventHandlerTable& GTutorialActionBuildingCompletedOrExist::getHandlerTable() const { return handlerTable(); }

const CEventHandlerTable& GTutorialActionBuildingCompletedOrExist::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(GTutorialAction::handlerTable());
        t.add<&GTutorialActionBuildingCompletedOrExist::onBuildingMessage>(GBuildingCompletedMessage::TypeId);
        return t;
    }();
    return table;
}

void GTutorialActionBuildingCompletedOrExist::update(uint32_t) {
    if (!m_receiver)
        return;
    CRefHandle<GBuildingExistsQueryMessage> query(new GBuildingExistsQueryMessage(getBuildingTypes(), getPlaces()));
    (void)m_receiver->handleEvent(query.get());
    if (query->getAnswer())
        setDone();
}
