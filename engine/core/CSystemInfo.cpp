#include "engine/core/CSystemInfo.h"

#include "engine/core/CStringW.h"
#include "engine/platform/PlatformSystem.h"

#include <string>
#include <string_view>

namespace {

// UTF-8 to UTF-16; a byte that does not start a valid sequence becomes U+FFFD.
CStringW fromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? byte : length == 2 ? byte & 0x1F : length == 3 ? byte & 0x0F : byte & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= smallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<std::size_t>(length);
    }
    return CStringW(std::u16string_view(out));
}

} // namespace

CSystemInfo::~CSystemInfo() = default;

CStringW CSystemInfo::osVersion() const { return fromUtf8(platformOsDescription()); }

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
