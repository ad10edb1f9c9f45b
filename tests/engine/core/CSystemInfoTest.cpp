#include "engine/core/CSystemInfo.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

class FakeClipboard : public IClipboard {
public:
    void setText(const CStringW& text) override {
        m_text = text;
        ++m_sets;
    }
    [[nodiscard]] CStringW text() const override { return m_text; }
    [[nodiscard]] int sets() const { return m_sets; }

private:
    CStringW m_text;
    int m_sets = 0;
};

} // namespace

TEST(CSystemInfo, DescribesThisMachine) {
    CRefHandle<CSystemInfo> info(new CSystemInfo());
    CStringW version = info->osVersion();
#ifdef _WIN32
    EXPECT_EQ(version.view().find(u"Microsoft Windows"), 0u);
#else
    EXPECT_NE(version.view().find(u"Linux "), std::u16string_view::npos);
#endif

    uint32_t mhz = 0;
    ASSERT_TRUE(info->cpuMhz(&mhz));
    EXPECT_GT(mhz, 0u);
    EXPECT_TRUE(info->cpuMhz(nullptr));

    uint64_t total = 0;
    uint64_t available = 0;
    ASSERT_TRUE(info->memoryStatus(&total, &available));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);
    EXPECT_TRUE(info->memoryStatus(nullptr, nullptr));
}

TEST(CSystemInfo, WithoutAClipboardThereIsNoText) {
    CRefHandle<CSystemInfo> info(new CSystemInfo());
    info->setClipboardText(CStringW(u"ignored"));
    EXPECT_TRUE(info->clipboardText().empty());
}

TEST(CSystemInfo, UsesTheClipboardItIsGiven) {
    CRefHandle<CSystemInfo> info(new CSystemInfo());
    CRefHandle<FakeClipboard> clipboard(new FakeClipboard());
    info->setClipboard(clipboard.get());
    EXPECT_EQ(clipboard->referenceCount(), 2);
    EXPECT_EQ(info->clipboard(), clipboard.get());

    info->setClipboardText(CStringW(u"hello"));
    EXPECT_EQ(clipboard->sets(), 1);
    EXPECT_EQ(info->clipboardText(), CStringW(u"hello"));

    // An empty text leaves the clipboard untouched.
    info->setClipboardText(CStringW());
    EXPECT_EQ(clipboard->sets(), 1);
    EXPECT_EQ(info->clipboardText(), CStringW(u"hello"));

    info->setClipboard(nullptr);
    EXPECT_EQ(clipboard->referenceCount(), 1);
    EXPECT_TRUE(info->clipboardText().empty());
}
