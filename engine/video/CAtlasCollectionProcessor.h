#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CVirtualFileSystem;

// The processor of atlas collections ('atxc'): reads the whole document into
// a new AtlasTextureCollection with the file's name on the content manager's
// folder stack (atlas images are relative to the collection file), and
// writes collections back.
class CAtlasCollectionProcessor : public IContentProcessor {
public:
    // Takes a reference to `fileSystem` (null: readers and writers are made
    // directly).
    explicit CAtlasCollectionProcessor(CVirtualFileSystem* fileSystem);

    [[nodiscard]] uint32_t getContentType() const override;
    // A new collection (one reference for the caller), even for a document
    // that holds nothing; null only without a readable XML file.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
    [[nodiscard]] bool canSave() const override { return true; }

protected:
    ~CAtlasCollectionProcessor() override;

private:
    CRefHandle<CVirtualFileSystem> m_fileSystem;
};
