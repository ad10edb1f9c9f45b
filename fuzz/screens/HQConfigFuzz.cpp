// The headquarters' flashing groups read from any bytes, then used as the
// screen uses them; the same bytes as a profile's ranks give the points.
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/screens/GHeadquartersScene.h"
#include "game/screens/HQConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(data, size));
    CRefHandle<HQConfiguration> config(new HQConfiguration);
    config->readFromXml(*reader);
    config->setAllFlashing();
    for (const HQConfigItem& item : config->getItems())
        for (const HQConfigEntry& entry : item.entries)
            config->clearFlashing(entry.name);

    const std::string text(reinterpret_cast<const char*>(data), size);
    const CArray<int> ranks = parseIntList(text.c_str());
    (void)GHeadquartersScene::pointsFor(ranks, 9, uint32_t(size % 64), uint32_t(size % 7), uint32_t(size % 5));
    return 0;
}
