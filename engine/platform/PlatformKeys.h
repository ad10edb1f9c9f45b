#pragma once

#include <cstdint>

// The classic PC virtual-key code (see PlatformEvent::keyCode) of a key the
// windowing system names by its key code (`systemKey`, the layout's meaning
// of the key) and its scan code (`scanCode`, the key's place on the
// keyboard). Letters and digits follow the layout where it has Latin letters
// and digits there, and the key's place otherwise; 0 for keys without a code.
[[nodiscard]] int32_t platformVirtualKey(int32_t systemKey, int32_t scanCode);
