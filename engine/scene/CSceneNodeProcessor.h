#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CContentProcessorsManager;
class CNodeFactory;
class CVirtualFileSystem;

// The content processor of scene-node trees ('snod'): reads a scene file
// into a node tree through the node factory and writes a tree back
// (CSceneFileReader, CSceneFileWriter). It keeps the video driver it is
// given up to date through device events 10 and 11.
class CSceneNodeProcessor : public IContentProcessor {
public:
    // Takes a reference to each service; all may be null (without a file
    // system the XML reader and writer are made directly; without a node
    // factory nothing loads).
    CSceneNodeProcessor(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver, CNodeFactory* nodeFactory);

    // Creates the processor with the services of `processors` and `nodeFactory`
    // (null: the engine's shared factory) and registers it. False when
    // `processors` is null or already has a scene processor.
    [[nodiscard]] static bool registerWith(CContentProcessorsManager* processors, CNodeFactory* nodeFactory = nullptr);

    [[nodiscard]] uint32_t getContentType() const override;
    // The root of the file's tree (one reference for the caller), or null
    // after a log line.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    // Writes the tree whose root `content` is; `parameter` is not used.
    [[nodiscard]] bool save(IContentManager* manager, IContent* content, IWritableFile* file,
                            const void* parameter) override;
    [[nodiscard]] bool canSave() const override { return true; }

    // Event 10 drops the driver, 11 takes the one the event carries.
    bool onVideoDriverReleased(CEvent* event) override;
    bool onVideoDriverCreated(CEvent* event) override;

    // Services; no reference handed out.
    [[nodiscard]] CRefCounted* getVideoDriver() const { return m_videoDriver.get(); }
    [[nodiscard]] CNodeFactory* getNodeFactory() const { return m_nodeFactory.get(); }

protected:
    ~CSceneNodeProcessor() override;

private:
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CRefCounted> m_videoDriver;
    CRefHandle<CNodeFactory> m_nodeFactory;
    // Node elements open across the scene files being read inside each
    // other (a File child loads through the content manager, which calls
    // this processor again).
    uint32_t m_nodeDepth = 0;
    // Nodes created by the load in progress, its included files counted.
    uint64_t m_nodesCreated = 0;
};
