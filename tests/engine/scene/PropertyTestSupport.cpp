#include "tests/engine/scene/PropertyTestSupport.h"

#include "engine/io/CVirtualFile.h"
#include "engine/scene/CPropertyBag.h"

#include <gtest/gtest.h>

IContent* FakeContentManager::object(uint32_t type, const std::u16string& name) {
    return load(type, CStringW(std::u16string_view(name)), false);
}

IContent* FakeContentManager::load(uint32_t type, const CStringW& name, bool relative) {
    const CStringW full = relative ? makeAbsoluteName(name) : name;
    const std::u16string key(full.view());
    loads.push_back(key);
    if (name.empty() || !m_available.count({type, key}))
        return nullptr;
    CRefHandle<IContent>& slot = m_objects[{type, key}];
    if (!slot)
        slot.reset(new FakeContent(type, CObjectName(this, full)));
    slot->addRef();
    return slot.get();
}

CStringW FakeContentManager::popFolder() {
    if (m_folders.size() <= 1)
        return CStringW();
    CStringW top = m_folders.back();
    m_folders.pop_back();
    return top;
}

std::u16string FakeContentManager::folder() const {
    const std::u16string top(m_folders.back().view());
    const size_t slash = top.rfind(u'/');
    return slash == std::u16string::npos ? std::u16string() : top.substr(0, slash + 1);
}

CStringW FakeContentManager::makeAbsoluteName(const CStringW& name) const {
    return CStringW(std::u16string_view(folder() + std::u16string(name.view())));
}

CStringW FakeContentManager::makeRelativeName(const CStringW& name) const {
    const std::u16string prefix = folder();
    const std::u16string text(name.view());
    if (!prefix.empty() && text.compare(0, prefix.size(), prefix) == 0)
        return CStringW(std::u16string_view(text.substr(prefix.size())));
    return name;
}

std::vector<uint8_t> writtenXmlBytes(const std::function<void(CXmlStreamWriter*)>& write) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"out.xml"), 0));
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        write(writer.get());
        EXPECT_FALSE(writer->hasError());
    }
    std::vector<uint8_t> bytes(size_t(file->size()));
    EXPECT_TRUE(file->seek(0, false));
    EXPECT_EQ(file->read(bytes.data(), int32_t(bytes.size())), int32_t(bytes.size()));
    return bytes;
}

std::string writtenXml(const std::function<void(CXmlStreamWriter*)>& write) {
    const std::vector<uint8_t> bytes = writtenXmlBytes(write);
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = char16_t(bytes[i] | bytes[i + 1] << 8);
        if (unit != u'\uFEFF')
            text += char(unit);
    }
    return text;
}

CRefHandle<CXmlStreamReader> readerAtFirstElement(const std::vector<uint8_t>& bytes) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(bytes.data(), bytes.size()));
    while (reader->readNext())
        if (reader->nodeType() == CXmlStreamReader::Element)
            break;
    return reader;
}

CRefHandle<CXmlStreamReader> readerAtFirstElement(const std::string& text) {
    return readerAtFirstElement(std::vector<uint8_t>(text.begin(), text.end()));
}

CRefHandle<CPropertyBag> roundTrip(const CPropertyBag& bag, IContentManager* manager) {
    const std::vector<uint8_t> bytes =
        writtenXmlBytes([&](CXmlStreamWriter* writer) { EXPECT_TRUE(bag.writeXml(writer, true)); });
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(bytes);
    CRefHandle<CPropertyBag> read = CPropertyBag::create(manager);
    EXPECT_TRUE(read->readXml(reader.get(), true));
    return read;
}
