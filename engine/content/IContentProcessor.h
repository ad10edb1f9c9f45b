#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CEventReceiver.h"

#include <cstdint>

class CEvent;
class CEventHandlerTable;
class CObjectName;
class IContentManager;
class IReadableFile;
class IWritableFile;

// Turns an open file into content of one type code and, for types that can
// be saved, writes such content back. Processors are registered with the
// content processors manager, which the content manager asks by type code.
//
// Device events (10 to 13, see IDeviceServiceEvent) reach a processor whose
// receiver mask has the device bit; the shared handler table forwards them to
// the four virtual handlers below.
class IContentProcessor : public CEventReceiver {
public:
    // Pre-handlers, the processor handler table, then post-handlers.
    bool handleEvent(CEvent* event) override;

    // Processors of lower priority are notified first.
    [[nodiscard]] virtual int32_t getPriority() const { return 0; }
    [[nodiscard]] virtual uint32_t getContentType() const = 0;

    // A new object read from `file` (count 1, owned by the caller), named
    // `name`; null when the file does not hold one. The caller keeps `file`.
    [[nodiscard]] virtual IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) = 0;
    // Writes `content` to `file`; `parameter` comes unchanged from the
    // content manager's save. This version cannot save and answers false.
    [[nodiscard]] virtual bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                                    const void* parameter);
    // True when `save` can write this type; the content manager asks before
    // it touches the target file.
    [[nodiscard]] virtual bool canSave() const { return false; }
    // Called by the content manager for each event it routes, with the
    // cached objects of this processor's type; the processor may change the
    // map (releasing what it erases). This version does nothing.
    virtual void notify(CEvent* event, CContentMap& cached);

    virtual bool onVideoDriverReleased(CEvent* event);
    virtual bool onVideoDriverCreated(CEvent* event);
    virtual bool onAudioDeviceReleased(CEvent* event);
    virtual bool onAudioDeviceCreated(CEvent* event);

    // Events 10 to 13 to the four handlers above.
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

protected:
    IContentProcessor() = default;
    ~IContentProcessor() override;
};
