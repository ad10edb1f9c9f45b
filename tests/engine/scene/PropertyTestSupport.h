#pragma once

#include "engine/content/IContent.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CPropertyBag;

// A content object that is nothing but its type and name.
class FakeContent : public IContent {
public:
    FakeContent(uint32_t type, const CObjectName& name) : IContent(name, FlagShared), m_type(type) {}
    [[nodiscard]] uint32_t getContentType() const override { return m_type; }

private:
    uint32_t m_type;
};

// A content manager over a set of names that "exist". Loads resolve relative
// names against the folder of the top of the folder stack (plain prefixing,
// enough for these tests), hand out one shared object per type and name, and
// are recorded in order.
class FakeContentManager : public IContentManager {
public:
    FakeContentManager() { m_folders.push_back(CStringW()); }

    // Makes `name` (a full name) loadable as `type`.
    void addAvailable(uint32_t type, const std::u16string& name) { m_available.insert({type, name}); }
    // The object a load of `name` hands out (loading it), or null.
    [[nodiscard]] IContent* object(uint32_t type, const std::u16string& name);

    // Full names asked for by `load`, in order.
    std::vector<std::u16string> loads;

    void setCachingEnabled(bool) override {}
    [[nodiscard]] bool isCachingEnabled() const override { return true; }
    [[nodiscard]] IContent* loadFromFile(uint32_t, IReadableFile*) override { return nullptr; }
    [[nodiscard]] IContent* load(uint32_t type, const CStringW& name, bool relative) override;
    [[nodiscard]] IContent* find(uint32_t, const CObjectName&) const override { return nullptr; }
    [[nodiscard]] bool save(uint32_t, IContent*, const CStringW&, const void*) override { return false; }
    bool addToCache(IContent*, const CObjectName&) override { return false; }
    bool addToCache(IContent*) override { return false; }
    void remove(IContent*) override {}
    void purge() override {}
    void clear() override { m_objects.clear(); }
    void pushFolder(const CStringW& path) override { m_folders.push_back(path); }
    CStringW popFolder() override;
    [[nodiscard]] CStringW makeAbsoluteName(const CStringW& name) const override;
    [[nodiscard]] CStringW makeRelativeName(const CStringW& name) const override;

protected:
    ~FakeContentManager() override = default;

private:
    // The folder part of the top of the stack ("scenes/" for "scenes/a.mscn").
    [[nodiscard]] std::u16string folder() const;

    CArray<CStringW> m_folders;
    std::set<std::pair<uint32_t, std::u16string>> m_available;
    std::map<std::pair<uint32_t, std::u16string>, CRefHandle<IContent>> m_objects;
};

// What a writer produced, as text: the bytes of a memory file read back as
// UTF-16 and narrowed (the byte-order mark left out).
[[nodiscard]] std::string writtenXml(const std::function<void(CXmlStreamWriter*)>& write);
// The same bytes, for a reader.
[[nodiscard]] std::vector<uint8_t> writtenXmlBytes(const std::function<void(CXmlStreamWriter*)>& write);

// A reader over `bytes` (or 8-bit `text`), moved to the first element.
[[nodiscard]] CRefHandle<CXmlStreamReader> readerAtFirstElement(const std::vector<uint8_t>& bytes);
[[nodiscard]] CRefHandle<CXmlStreamReader> readerAtFirstElement(const std::string& text);

// The bag written with its tags and read back into a new bag with `manager`.
[[nodiscard]] CRefHandle<CPropertyBag> roundTrip(const CPropertyBag& bag, IContentManager* manager);
