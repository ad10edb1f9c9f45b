#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/IClipboard.h"

#include <cstdint>

class CStringW;

// What the engine asks of the operating system: a description of it, the
// processor speed, the physical memory, and the clipboard as text. The engine
// creates one and logs the description when it starts.
class CSystemInfo : public CRefCounted {
public:
    CSystemInfo() = default;

    // The distribution and kernel, e.g. "Debian GNU/Linux 12 (bookworm)
    // (Linux 6.1.0-13-amd64 x86_64)"; empty when the system cannot be queried.
    [[nodiscard]] virtual CStringW osVersion() const;
    // Puts `text` on the clipboard; an empty text, or no clipboard, does nothing.
    virtual void setClipboardText(const CStringW& text);
    // The clipboard's text; empty when there is none or no clipboard.
    [[nodiscard]] virtual CStringW clipboardText() const;
    // Processor speed in MHz, stored through `mhz` when it is not null; false
    // when the system does not tell.
    [[nodiscard]] virtual bool cpuMhz(uint32_t* mhz) const;
    // Total and available physical memory in kilobytes, each stored when its
    // pointer is not null; false only when the system does not tell.
    [[nodiscard]] virtual bool memoryStatus(uint64_t* totalKb, uint64_t* availableKb) const;

    // Uses `clipboard` (shared; null allowed) from now on. Until one is set
    // the clipboard holds no text.
    void setClipboard(IClipboard* clipboard);
    [[nodiscard]] IClipboard* clipboard() const { return m_clipboard.get(); }

protected:
    ~CSystemInfo() override;

private:
    CRefHandle<IClipboard> m_clipboard;
};
