#include "engine/device/CSdlClipboard.h"

#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/platform/PlatformWindow.h"

#include <string>

void CSdlClipboard::setText(const CStringW& text) {
    if (!platformSetClipboardText(utf16ToUtf8(text.view())))
        CLog::instance()->log(CString("Can't put text on the clipboard: ") + platformVideoError().c_str(),
                              CLog::Warning);
}

CStringW CSdlClipboard::text() const {
    std::string text;
    if (!platformClipboardText(&text))
        return CStringW();
    return CStringW(std::u16string_view(utf8ToUtf16(text)));
}
