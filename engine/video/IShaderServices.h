#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class IReadableFile;
class IShaderConstantCallback;

// How shader materials are added to a driver. Each form answers the new
// material type, or -1 when the material could not be made. Program texts
// and files may be null for a stage without a program.
class IShaderServices : public virtual CRefCounted {
public:
    // High-level programs from texts; targets are the shader model codes of
    // the driver.
    [[nodiscard]] virtual int32_t createCompiledShaderMaterial(const char* vertexProgram, const char* vertexEntry,
                                                               int32_t vertexTarget, const char* pixelProgram,
                                                               const char* pixelEntry, int32_t pixelTarget,
                                                               IShaderConstantCallback* callback,
                                                               int32_t baseMaterialType, int32_t userData) = 0;
    // The same from two open files (their whole content; the files stay open).
    [[nodiscard]] virtual int32_t createCompiledShaderMaterialFromFiles(IReadableFile* vertexProgram,
                                                                        const char* vertexEntry, int32_t vertexTarget,
                                                                        IReadableFile* pixelProgram,
                                                                        const char* pixelEntry, int32_t pixelTarget,
                                                                        IShaderConstantCallback* callback,
                                                                        int32_t baseMaterialType, int32_t userData) = 0;
    // The same from two file names, opened through the driver's file system.
    [[nodiscard]] virtual int32_t
    createCompiledShaderMaterialFromFileNames(const char* vertexFileName, const char* vertexEntry, int32_t vertexTarget,
                                              const char* pixelFileName, const char* pixelEntry, int32_t pixelTarget,
                                              IShaderConstantCallback* callback, int32_t baseMaterialType,
                                              int32_t userData) = 0;

    // Assembly programs from texts, open files or file names.
    [[nodiscard]] virtual int32_t createAssemblyShaderMaterial(const char* vertexProgram, const char* pixelProgram,
                                                               IShaderConstantCallback* callback,
                                                               int32_t baseMaterialType, int32_t userData) = 0;
    [[nodiscard]] virtual int32_t createAssemblyShaderMaterialFromFileNames(const char* vertexFileName,
                                                                            const char* pixelFileName,
                                                                            IShaderConstantCallback* callback,
                                                                            int32_t baseMaterialType,
                                                                            int32_t userData) = 0;
    [[nodiscard]] virtual int32_t createAssemblyShaderMaterialFromFiles(IReadableFile* vertexProgram,
                                                                        IReadableFile* pixelProgram,
                                                                        IShaderConstantCallback* callback,
                                                                        int32_t baseMaterialType, int32_t userData) = 0;

protected:
    ~IShaderServices() override = default;
};
