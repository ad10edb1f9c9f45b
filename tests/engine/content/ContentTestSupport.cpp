#include "tests/engine/content/ContentTestSupport.h"

#include "engine/content/IContentManager.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

#include <utility>

std::string narrow(const CStringW& text) {
    std::string out;
    for (char16_t c : text)
        out += char(c);
    return out;
}

std::string typeName(uint32_t type) {
    std::string name;
    for (int shift = 0; shift < 32; shift += 8)
        name += char((type >> shift) & 0xFF);
    return name;
}

TestContent::TestContent(uint32_t type, const CObjectName& name, uint32_t flags, std::string text, int* alive)
    : IContent(name, flags), m_type(type), m_text(std::move(text)), m_alive(alive) {
    if (m_alive)
        ++*m_alive;
}

TestContent::~TestContent() {
    if (m_alive)
        --*m_alive;
}

IContent* TestContent::clone() const {
    if (!m_cloneable)
        return nullptr;
    auto* copy = new TestContent(m_type, getContentName(), getContentFlags(), m_text, m_alive);
    copy->m_isCopy = true;
    return copy;
}

TestProcessor::TestProcessor(uint32_t type, uint32_t flags, ProcessorJournal* journal, int* alive)
    : m_type(type), m_flags(flags), m_journal(journal), m_alive(alive) {}

void TestProcessor::record(const std::string& entry) {
    if (m_journal)
        m_journal->entries.push_back(entry);
}

IContent* TestProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    ++m_loads;
    m_opened.push_back(narrow(file->fileName()));
    std::string text(size_t(file->size()), '\0');
    if (file->read(text.data(), int32_t(text.size())) != int32_t(text.size()))
        return nullptr;
    if (text.rfind("bad", 0) == 0)
        return nullptr;
    if (text.rfind("include:", 0) == 0) {
        manager->pushFolder(file->fileName());
        IContent* inner = manager->load(m_type, CStringW(text.substr(8).c_str()), true);
        static_cast<void>(manager->popFolder());
        if (!inner)
            return nullptr;
        text = "with " + static_cast<TestContent*>(inner)->text();
        inner->release();
    }
    auto* content = new TestContent(m_type, name, m_flags, text, m_alive);
    content->setCloneable(m_cloneable);
    return content;
}

bool TestProcessor::save(IContentManager*, IContent* content, IWritableFile* file, const void* parameter) {
    m_opened.push_back(narrow(file->fileName()));
    if (m_keepSavedFiles)
        m_kept.push_back(CRefHandle<IWritableFile>::share(file));
    std::string text = static_cast<TestContent*>(content)->text();
    if (parameter)
        text += *static_cast<const char*>(parameter);
    if (m_failAfter >= 0) {
        static_cast<void>(file->write(text.data(), m_failAfter));
        return false;
    }
    return file->write(text.data(), int32_t(text.size())) == int32_t(text.size());
}

void TestProcessor::notify(CEvent* event, CContentMap& cached) {
    record("notify " + typeName(m_type) + " event " + std::to_string(event->getType()) + " objects " +
           std::to_string(cached.size()));
}

bool TestProcessor::onVideoDriverReleased(CEvent*) {
    record("video released " + typeName(m_type));
    return false;
}

bool TestProcessor::onVideoDriverCreated(CEvent*) {
    record("video created " + typeName(m_type));
    return false;
}

bool TestProcessor::onAudioDeviceReleased(CEvent*) {
    record("audio released " + typeName(m_type));
    return false;
}

bool TestProcessor::onAudioDeviceCreated(CEvent*) {
    record("audio created " + typeName(m_type));
    return false;
}
