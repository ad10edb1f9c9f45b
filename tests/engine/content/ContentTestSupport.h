#pragma once

#include "engine/content/IContent.h"
#include "engine/content/IContentProcessor.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/IWritableFile.h"

#include <cstdint>
#include <string>
#include <vector>

// A content class and its processor made for the content manager tests: the
// object holds the text of its file; the processor reads and writes that
// text and records what happens to it.

class TestContent : public IContent {
public:
    // `alive` (may be null) counts the objects of a test that still exist.
    TestContent(uint32_t type, const CObjectName& name, uint32_t flags, std::string text, int* alive);

    [[nodiscard]] IContent* clone() const override;
    [[nodiscard]] uint32_t getContentType() const override { return m_type; }

    [[nodiscard]] const std::string& text() const { return m_text; }
    [[nodiscard]] bool isCopy() const { return m_isCopy; }
    void setCloneable(bool cloneable) { m_cloneable = cloneable; }

protected:
    ~TestContent() override;

private:
    uint32_t m_type;
    std::string m_text;
    int* m_alive;
    bool m_isCopy = false;
    bool m_cloneable = true;
};

// What the processor saw, in the order it saw it.
struct ProcessorJournal {
    std::vector<std::string> entries;
};

class TestProcessor : public IContentProcessor {
public:
    // Files whose text starts with "bad" fail to load; "include:NAME" loads
    // NAME (same type, relative to the file) first, with the file on the
    // folder stack. Objects get `flags`.
    TestProcessor(uint32_t type, uint32_t flags, ProcessorJournal* journal, int* alive);

    [[nodiscard]] int32_t getPriority() const override { return m_priority; }
    [[nodiscard]] uint32_t getContentType() const override { return m_type; }
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
    [[nodiscard]] bool canSave() const override { return m_canSave; }
    void notify(CEvent* event, CContentMap& cached) override;
    bool onVideoDriverReleased(CEvent* event) override;
    bool onVideoDriverCreated(CEvent* event) override;
    bool onAudioDeviceReleased(CEvent* event) override;
    bool onAudioDeviceCreated(CEvent* event) override;

    void setPriority(int32_t priority) { m_priority = priority; }
    void setCanSave(bool canSave) { m_canSave = canSave; }
    // Saving writes this many bytes of the text and then fails.
    void failSaveAfter(int32_t bytes) { m_failAfter = bytes; }
    void setCloneable(bool cloneable) { m_cloneable = cloneable; }
    // Saving keeps a reference to the file it was given, as a writer that
    // outlives the save would.
    void keepSavedFiles(bool keep) { m_keepSavedFiles = keep; }
    [[nodiscard]] const std::vector<CRefHandle<IWritableFile>>& keptFiles() const { return m_kept; }

    [[nodiscard]] int loadCount() const { return m_loads; }
    // The file names the processor was given to load and to save.
    [[nodiscard]] const std::vector<std::string>& openedNames() const { return m_opened; }

protected:
    ~TestProcessor() override = default;

private:
    void record(const std::string& entry);

    uint32_t m_type;
    uint32_t m_flags;
    ProcessorJournal* m_journal;
    int* m_alive;
    int32_t m_priority = 0;
    bool m_canSave = true;
    bool m_cloneable = true;
    int32_t m_failAfter = -1;
    int m_loads = 0;
    std::vector<std::string> m_opened;
    bool m_keepSavedFiles = false;
    std::vector<CRefHandle<IWritableFile>> m_kept;
};

// A device event (10 to 13) carrying `service` for the "created" ones.
class TestDeviceEvent : public CEvent, public IDeviceServiceEvent {
public:
    TestDeviceEvent(int32_t type, CRefCounted* service) : CEvent(MaskDevice), m_type(type), m_service(service) {}

    [[nodiscard]] int32_t getType() const override { return m_type; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindDevice || CEvent::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_service; }

private:
    int32_t m_type;
    CRefCounted* m_service;
};

// Stands for a video driver or audio device.
class TestService : public CRefCounted {};

// The four letters of a type code.
[[nodiscard]] std::string typeName(uint32_t type);

// UTF-8 of a wide text (ASCII in these tests).
[[nodiscard]] std::string narrow(const CStringW& text);
