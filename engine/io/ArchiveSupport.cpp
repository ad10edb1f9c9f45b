#include "engine/io/ArchiveSupport.h"

#include "engine/io/IReadableFile.h"

CStringW withForwardSlashes(const CStringW& name) {
    CStringW result = name;
    for (uint32_t i = 0; i < result.length(); ++i)
        if (result[i] == u'\\')
            result[i] = u'/';
    return result;
}

bool readExactlyAt(IReadableFile* file, int64_t offset, void* buffer, int64_t count) {
    if (!file || offset < 0 || offset > INT32_MAX || count < 0 || count > INT32_MAX)
        return false;
    if (count == 0)
        return true;
    return file->readAt(int32_t(offset), buffer, int32_t(count)) == int32_t(count);
}
