// The logo list read from any bytes.
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/app/GLogosConfig.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(data, size));
    CRefHandle<GLogosConfig> config(new GLogosConfig);
    config->readFromXml(*reader);
    return 0;
}
