#include "engine/scene/CFontProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/scene/BitmapFont.h"

CFontProcessor::CFontProcessor(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_videoDriver(CRefHandle<CRefCounted>::share(videoDriver)) {
    setMask(CEvent::MaskDevice);
}

CFontProcessor::~CFontProcessor() = default;

uint32_t CFontProcessor::getContentType() const { return ContentTypeFont; }

IContent* CFontProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(m_fileSystem ? m_fileSystem->openXmlReader(file) : new CXmlStreamReader(file));
    if (!reader)
        return nullptr;
    CRefHandle<Font> font;
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == u"Font")
            break;
        if (type != CXmlStreamReader::Element || reader->nodeName() != u"Font")
            continue;
        if (reader->attribute("Type") != u"Bitmap")
            continue;
        font = CRefHandle<Font>(new BitmapFont(name));
        if (manager)
            manager->pushFolder(file->fileName());
        font->load(reader.get(), 0);
        if (manager)
            (void)manager->popFolder();
    }
    return font.detach();
}

bool CFontProcessor::onVideoDriverReleased(CEvent*) {
    m_videoDriver.reset();
    return false;
}

bool CFontProcessor::onVideoDriverCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_videoDriver = CRefHandle<CRefCounted>::share(serviceEvent ? serviceEvent->getService() : nullptr);
    return false;
}
