#include "engine/platform/PlatformKeys.h"

// Windows names keys by their virtual-key code already.
int32_t platformVirtualKey(int32_t systemKey, int32_t /*scanCode*/) {
    return systemKey > 0 && systemKey < 255 ? systemKey : 0;
}
