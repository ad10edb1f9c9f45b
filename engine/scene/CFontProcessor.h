#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CVirtualFileSystem;

// The processor of fonts ('font'): opens the font file as XML and, at a root
// element <Font Type="Bitmap">, makes a BitmapFont that reads the rest of
// the document with the file's name on the content manager's folder stack
// (texture names are relative to the font file). Fonts are not saved. It
// keeps the video driver it is given up to date through events 10 and 11.
class CFontProcessor : public IContentProcessor {
public:
    // Takes a reference to each service; both may be null.
    CFontProcessor(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver);

    [[nodiscard]] uint32_t getContentType() const override;
    // A new font (one reference for the caller), or null for a file that is
    // no XML or whose "Font" element is of another type; nothing is logged.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;

    bool onVideoDriverReleased(CEvent* event) override;
    bool onVideoDriverCreated(CEvent* event) override;

    [[nodiscard]] CRefCounted* getVideoDriver() const { return m_videoDriver.get(); }

protected:
    ~CFontProcessor() override;

private:
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CRefCounted> m_videoDriver;
};
