#include "engine/scene/ProfileBag.h"

#include "engine/content/CProfileParameters.h"
#include "engine/core/CString.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/IPropertyData.h"

namespace {

// Both sides read and write a "Parameters" element of typed value elements;
// values cross through that text in memory.
const char16_t* const kElement = u"Parameters";

// A reader standing on the "Parameters" start element of what `write` put
// into a memory file, or null when nothing was written.
template <class Write> CRefHandle<CXmlStreamReader> throughXml(Write write) {
    const CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"profile values"), 0));
    {
        const CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        writer->startDocument();
        if (!write(writer.get()) || writer->hasError())
            return nullptr;
    }
    if (!file->seek(0, false))
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.get()));
    while (reader->readNext())
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == kElement)
            return reader;
    return nullptr;
}

} // namespace

CRefHandle<CPropertyBag> readProfileBag(const CProfileParameters& profile, IContentManager* contentManager) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(contentManager);
    const CRefHandle<CXmlStreamReader> reader =
        throughXml([&profile](CXmlStreamWriter* writer) { return profile.writeTo(writer); });
    if (reader)
        static_cast<void>(bag->readXml(reader.get(), true, CStringW(kElement)));
    // Values of no registered kind come in as null entries: nothing to use.
    for (int i = bag->getCount(); i-- > 0;)
        if (!bag->getValueAt(i))
            bag->removeAt(i);
    return bag;
}

CRefHandle<IPropertyData> getProfileValue(const CProfileParameters& profile, const CString& name,
                                          IContentManager* contentManager) {
    if (!profile.has(name))
        return nullptr;
    return readProfileBag(profile, contentManager)->get(name);
}

bool setProfileValue(CProfileParameters& profile, const CString& name, const IPropertyData* value) {
    if (name.empty())
        return false;
    if (!value) {
        profile.remove(name);
        return true;
    }
    const CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->set(name, value->clone());
    const CRefHandle<CProfileParameters> single(new CProfileParameters(nullptr, CStringW()));
    writeProfileBag(*bag, *single);
    // Nothing when the value could not be written.
    if (single->getCount() == 0)
        return false;
    profile.copyEntry(*single, 0);
    return true;
}

void writeProfileBag(const CPropertyBag& bag, CProfileParameters& profile) {
    const CRefHandle<CXmlStreamReader> reader =
        throughXml([&bag](CXmlStreamWriter* writer) { return bag.writeXml(writer, false, CStringW(kElement), true); });
    // Read into a set of its own first: the profile's values go only once
    // the new ones are whole.
    const CRefHandle<CProfileParameters> values(new CProfileParameters(nullptr, CStringW()));
    if (!reader || !values->readFrom(reader.get()))
        return;
    profile.clear();
    for (uint32_t i = 0; i < values->getCount(); ++i)
        profile.copyEntry(*values, i);
}
