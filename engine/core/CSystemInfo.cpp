#include "engine/core/CSystemInfo.h"

#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/platform/PlatformSystem.h"

#include <string>
#include <string_view>

CSystemInfo::~CSystemInfo() = default;

CStringW CSystemInfo::osVersion() const { return CStringW(std::u16string_view(utf8ToUtf16(platformOsDescription()))); }

void CSystemInfo::setClipboardText(const CStringW& text) {
    if (text.empty() || !m_clipboard)
        return;
    m_clipboard->setText(text);
}

CStringW CSystemInfo::clipboardText() const { return m_clipboard ? m_clipboard->text() : CStringW(); }

bool CSystemInfo::cpuMhz(uint32_t* mhz) const { return platformCpuMhz(mhz); }

bool CSystemInfo::memoryStatus(uint64_t* totalKb, uint64_t* availableKb) const {
    return platformMemoryStatus(totalKb, availableKb);
}

void CSystemInfo::setClipboard(IClipboard* clipboard) { m_clipboard = CRefHandle<IClipboard>::share(clipboard); }
