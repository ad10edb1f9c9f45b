// The Windows side of the platform layer: window messages as Windows sends
// them, display modes, cursor images, the version description, registry and
// folders, and the instance lock and crash dumps across processes.

#include "engine/platform/CPlatformCursorImage.h"
#include "engine/platform/CPlatformInstanceLock.h"
#include "engine/platform/CPlatformProcess.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformSystem.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/platform/PlatformWindowsInfo.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A hidden window (a shown one takes seconds to close under some X servers)
// with an empty queue, and its handle, so that messages can be sent to it
// as Windows would.
class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platformEventsInit());
        ASSERT_TRUE(platformVideoInit(&error)) << error;
        PlatformWindowParams params;
        params.title = "win32 test " + std::to_string(GetCurrentProcessId());
        params.width = 200;
        params.height = 100;
        params.shown = false;
        params.openGL = false;
        ASSERT_TRUE(m_window.create(params, &error)) << error;
        m_handle = FindWindowW(L"BrindlemoorWindow", std::wstring(params.title.begin(), params.title.end()).c_str());
        ASSERT_NE(m_handle, nullptr);
        platformFlushEvents();
    }

    void TearDown() override {
        m_window.destroy();
        platformFlushEvents();
    }

    std::vector<PlatformEvent> events() {
        std::vector<PlatformEvent> all;
        PlatformEvent event;
        while (platformPollEvent(&event))
            if (event.type != PlatformEventType::Other)
                all.push_back(event);
        return all;
    }

    CPlatformWindow m_window;
    HWND m_handle = nullptr;
};

TEST_F(Win32WindowTest, KeyMessagesCarryTheCharactersTranslatedBehindThem) {
    BYTE keys[256] = {};
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    // The pump's TranslateMessage puts the character right behind the key.
    PostMessageW(m_handle, WM_KEYDOWN, 'A', 0x001E0001);
    std::vector<PlatformEvent> got = events();
    PostMessageW(m_handle, WM_KEYUP, 'A', LPARAM(0xC01E0001));
    // A character with no key before it: typed through an input method.
    PostMessageW(m_handle, WM_CHAR, 0x00E9, 1);
    for (const PlatformEvent& event : events())
        got.push_back(event);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys);

    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].type, PlatformEventType::KeyDown);
    EXPECT_EQ(got[0].keyCode, 'A');
    EXPECT_EQ(got[0].character, uint32_t('A'));
    EXPECT_STREQ(got[0].text, "A");
    EXPECT_EQ(got[0].modifiers, PlatformModShift);
    EXPECT_FALSE(got[0].repeat);
    EXPECT_EQ(got[1].type, PlatformEventType::KeyUp);
    EXPECT_EQ(got[2].type, PlatformEventType::Text);
    EXPECT_STREQ(got[2].text, "\xC3\xA9");
}

TEST_F(Win32WindowTest, AltEnterAndRepeatsComeAsSystemKeys) {
    BYTE keys[256] = {};
    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    PostMessageW(m_handle, WM_SYSKEYDOWN, VK_RETURN, 0x201C0001);
    PostMessageW(m_handle, WM_SYSKEYDOWN, VK_RETURN, 0x601C0001); // held: repeated
    std::vector<PlatformEvent> got = events();
    keys[VK_MENU] = keys[VK_LMENU] = 0;
    SetKeyboardState(keys);

    ASSERT_EQ(got.size(), 2u);
    for (const PlatformEvent& event : got) {
        EXPECT_EQ(event.type, PlatformEventType::KeyDown);
        EXPECT_EQ(event.keyCode, VK_RETURN);
        EXPECT_EQ(event.character, 13u);
        EXPECT_EQ(event.modifiers, PlatformModAlt);
    }
    EXPECT_FALSE(got[0].repeat);
    EXPECT_TRUE(got[1].repeat);
}

TEST_F(Win32WindowTest, MouseMessagesBecomeClientPositionsAndNotches) {
    PostMessageW(m_handle, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34));
    PostMessageW(m_handle, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
    PostMessageW(m_handle, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(7, 8));
    // The wheel reports the pointer on the screen; a notch towards the user is -1.
    POINT screen{40, 50};
    ClientToScreen(m_handle, &screen);
    PostMessageW(m_handle, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(int16_t(-WHEEL_DELTA))), MAKELPARAM(screen.x, screen.y));
    PostMessageW(m_handle, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(WHEEL_DELTA / 2)), MAKELPARAM(screen.x, screen.y));
    std::vector<PlatformEvent> got = events();

    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].type, PlatformEventType::MouseMove);
    EXPECT_EQ(got[0].x, 12);
    EXPECT_EQ(got[0].y, 34);
    EXPECT_EQ(got[1].type, PlatformEventType::MouseButtonDown);
    EXPECT_EQ(got[1].button, PlatformMouseButton::Right);
    EXPECT_EQ(got[2].type, PlatformEventType::MouseButtonUp);
    EXPECT_EQ(got[2].button, PlatformMouseButton::Other);
    EXPECT_EQ(got[3].type, PlatformEventType::MouseWheel);
    EXPECT_FLOAT_EQ(got[3].wheel, -1.0f);
    EXPECT_EQ(got[3].x, 40);
    EXPECT_EQ(got[3].y, 50);
    EXPECT_FLOAT_EQ(got[4].wheel, 0.5f);
}

TEST_F(Win32WindowTest, WindowMessagesBecomeWindowEvents) {
    PostMessageW(m_handle, WM_SETFOCUS, 0, 0);
    PostMessageW(m_handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    PostMessageW(m_handle, WM_SIZE, SIZE_MINIMIZED, 0);
    PostMessageW(m_handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    PostMessageW(m_handle, WM_KILLFOCUS, 0, 0);
    PostMessageW(m_handle, WM_DISPLAYCHANGE, 16, MAKELPARAM(800, 600));
    std::vector<PlatformEvent> got = events();

    const PlatformEventType expected[] = {
        PlatformEventType::WindowFocusGained, PlatformEventType::WindowResized,   PlatformEventType::WindowMinimized,
        PlatformEventType::WindowRestored,    PlatformEventType::WindowFocusLost, PlatformEventType::DisplayChanged,
    };
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, expected[i]) << i;
        EXPECT_EQ(got[i].windowId, m_window.id()) << i;
    }
    EXPECT_EQ(got[1].x, 300);
    EXPECT_EQ(got[1].y, 200);
    EXPECT_EQ(got[5].value, 16);
    EXPECT_EQ(got[5].x, 800);
    EXPECT_EQ(got[5].y, 600);
}

TEST_F(Win32WindowTest, ClosingIsAskedAndLeftToTheOwner) {
    // Alt+F4 and the system menu's close come as WM_CLOSE through the default
    // handling; the window stays until its owner destroys it.
    EXPECT_EQ(SendMessageW(m_handle, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    std::vector<PlatformEvent> got = events();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, PlatformEventType::WindowClose);
    EXPECT_TRUE(IsWindow(m_handle));
    EXPECT_TRUE(m_window.isOpen());
}

TEST_F(Win32WindowTest, ScreenSaverAndMonitorSleepAreBlocked) {
    EXPECT_EQ(SendMessageW(m_handle, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageW(m_handle, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
}

TEST_F(Win32WindowTest, AFullScreenWindowCannotBeMovedOrSizedAndIsAllClientArea) {
    ASSERT_EQ(m_window.enterFullscreen(nullptr), PlatformModeResult::Ok);
    EXPECT_TRUE(m_window.isFullscreen());
    EXPECT_EQ(SendMessageW(m_handle, WM_NCHITTEST, 0, MAKELPARAM(0, 0)), HTCLIENT);
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_KEYMENU}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(SendMessageW(m_handle, WM_SYSCOMMAND, command, 0), 1);
    }
    PlatformDisplayMode screen;
    ASSERT_TRUE(platformCurrentDisplayMode(&screen));
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(m_window.clientSize(&width, &height));
    EXPECT_EQ(width, screen.width);
    EXPECT_EQ(height, screen.height);

    m_window.leaveFullscreen();
    EXPECT_FALSE(m_window.isFullscreen());
    ASSERT_TRUE(m_window.clientSize(&width, &height));
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 100);
    EXPECT_NE(SendMessageW(m_handle, WM_NCHITTEST, 0, MAKELPARAM(0, 0)), HTCLIENT);
}

// A full screen in a mode of its own hands the desktop its mode while the
// player is in another program and takes its own again on return.
TEST_F(Win32WindowTest, AFullScreenModeIsLentToTheDesktopWhileInactive) {
    PlatformDisplayMode desktop;
    ASSERT_TRUE(platformCurrentDisplayMode(&desktop));
    const std::vector<PlatformDisplayMode> modes = platformDisplayModes();
    const auto other = std::find_if(modes.begin(), modes.end(), [&](const PlatformDisplayMode& mode) {
        return mode.width != desktop.width || mode.height != desktop.height || mode.colorBits != desktop.colorBits;
    });
    ASSERT_NE(other, modes.end()) << "the display offers one mode only";
    const PlatformDisplayMode wanted = *other;
    ASSERT_EQ(m_window.enterFullscreen(&wanted), PlatformModeResult::Ok);
    const auto current = [] {
        PlatformDisplayMode mode;
        EXPECT_TRUE(platformCurrentDisplayMode(&mode));
        return mode;
    };
    const auto same = [](const PlatformDisplayMode& a, const PlatformDisplayMode& b) {
        return a.width == b.width && a.height == b.height && a.colorBits == b.colorBits;
    };
    EXPECT_TRUE(same(current(), wanted));

    SendMessageW(m_handle, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(same(current(), desktop));
    // A second deactivation changes nothing.
    SendMessageW(m_handle, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(same(current(), desktop));
    SendMessageW(m_handle, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(same(current(), wanted));

    // Leaving full screen while inactive keeps the desktop's mode.
    SendMessageW(m_handle, WM_ACTIVATEAPP, FALSE, 0);
    m_window.leaveFullscreen();
    SendMessageW(m_handle, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(same(current(), desktop));
}

TEST_F(Win32WindowTest, DisplayModesListTheCurrentOne) {
    const std::vector<PlatformDisplayMode> modes = platformDisplayModes();
    PlatformDisplayMode current;
    PlatformDisplayMode desktop;
    ASSERT_TRUE(platformCurrentDisplayMode(&current));
    ASSERT_TRUE(platformDesktopDisplayMode(&desktop));
    EXPECT_GT(current.width, 0);
    EXPECT_GT(current.colorBits, 0);
    EXPECT_EQ(desktop.width, current.width);
    bool listed = false;
    for (const PlatformDisplayMode& mode : modes)
        listed = listed || (mode.width == current.width && mode.height == current.height);
    EXPECT_TRUE(listed) << modes.size() << " modes";
    // A size the display does not offer is refused without a change.
    PlatformDisplayMode odd{123, 45, 32, 0};
    EXPECT_EQ(m_window.enterFullscreen(&odd), PlatformModeResult::BadMode);
    EXPECT_FALSE(m_window.isFullscreen());
}

TEST_F(Win32WindowTest, ACursorImageIsUsedOverTheClientAreaUntilItGoes) {
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    const uint32_t pixels[4] = {0xFFFF0000, 0x00000000, 0x8000FF00, 0xFF0000FF};
    std::string error;
    {
        std::unique_ptr<CPlatformCursorImage> image = CPlatformCursorImage::create(pixels, 2, 2, 1, 1, &error);
        ASSERT_NE(image, nullptr) << error;
        image->use();
        SendMessageW(m_handle, WM_SETCURSOR, WPARAM(m_handle), overClient);
        EXPECT_NE(GetCursor(), arrow);
        EXPECT_NE(GetCursor(), nullptr);
    }
    SendMessageW(m_handle, WM_SETCURSOR, WPARAM(m_handle), overClient);
    EXPECT_EQ(GetCursor(), arrow);

    const struct {
        const char* what;
        int32_t width, height, hotX, hotY;
    } bad[] = {{"empty", 0, 2, 0, 0}, {"hot spot outside", 2, 2, 2, 0}, {"negative hot spot", 2, 2, 0, -1}};
    for (const auto& c : bad) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CPlatformCursorImage::create(pixels, c.width, c.height, c.hotX, c.hotY, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(Win32WindowTest, TheClipboardHoldsUnicodeText) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC 12";
    ASSERT_TRUE(platformSetClipboardText(text));
    std::string back;
    ASSERT_TRUE(platformClipboardText(&back));
    EXPECT_EQ(back, text);
}

TEST(Win32System, VersionDescriptions) {
    using V = PlatformWindowsVersion;
    auto nt = [](uint32_t major, uint32_t minor, uint32_t build, V::ProductType type = V::ProductType::Workstation) {
        V v;
        v.major = major;
        v.minor = minor;
        v.build = build;
        v.productType = type;
        return v;
    };
    V seven = nt(6, 1, 7601);
    seven.servicePack = "Service Pack 1";
    seven.productInfo = 3;
    V server2008 = nt(6, 0, 6002, V::ProductType::Server);
    V xpHome = nt(5, 1, 2600);
    xpHome.suiteMask = VER_SUITE_PERSONAL;
    xpHome.servicePack = "Service Pack 3";
    V datacenter = nt(5, 2, 3790, V::ProductType::Server);
    datacenter.suiteMask = VER_SUITE_DATACENTER;
    V nt4 = nt(4, 0, 1381);
    nt4.extended = false;
    nt4.registryProductType = "lanmannt";
    nt4.servicePack = "Service Pack 6";
    V ninetyEight = nt(4, 10, 2222);
    ninetyEight.platform = V::Platform::Windows9x;
    ninetyEight.servicePack = " A ";
    V ten = nt(10, 0, 19045);
    V eleven = nt(10, 0, 22631);
    eleven.productInfo = 48;

    const struct {
        const char* what;
        V version;
        const char* text;
    } cases[] = {
        {"7 home premium", seven, "Microsoft Windows 7 Home Premium Edition Service Pack 1 (Build 7601)"},
        {"2008 server", server2008, "Microsoft Windows Server 2008  (Build 6002)"},
        {"xp home", xpHome, "Microsoft Windows XP Personal Service Pack 3 (Build 2600)"},
        {"2003 datacenter", datacenter, "DataCenter Server  (Build 3790)"},
        {"nt4 by registry", nt4, "Microsoft Windows NT Server version 4.0 Service Pack 6 (Build 1381)"},
        {"98 second edition", ninetyEight, "Microsoft Windows 98 SE "},
        {"10", ten, "Microsoft Windows 10 Professional  (Build 19045)"},
        {"11", eleven, "Microsoft Windows 11 Professional  (Build 22631)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platformDescribeWindowsVersion(c.version), c.text);
    }
}

TEST(Win32System, TheRunningSystemDescribesItself) {
    EXPECT_EQ(platformOsDescription().rfind("Microsoft Windows", 0), 0u) << platformOsDescription();
    uint64_t total = 0;
    uint64_t available = 0;
    ASSERT_TRUE(platformMemoryStatus(&total, &available));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);
    const std::string path = platformExecutablePath();
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_TRUE(fs::exists(fs::u8path(path)));
    // The registry value may be missing on a virtual machine; when present it is a speed.
    uint32_t mhz = 0;
    if (platformCpuMhz(&mhz)) {
        EXPECT_GT(mhz, 0u);
    }
    EXPECT_FALSE(platformRegistryNumber(PlatformRegistryRoot::LocalMachine, "SOFTWARE\\No Such Key", "x", &mhz));
}

TEST(Win32System, ApplicationDataFoldersExistAndAFileWithAnyNameOpens) {
    for (bool allUsers : {false, true}) {
        const std::string folder = platformApplicationDataFolder(allUsers);
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), '\\');
        EXPECT_TRUE(fs::is_directory(fs::u8path(folder))) << folder;
    }
    const fs::path dir = fs::temp_directory_path() / ("bm-win32-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    const std::string name = utf8(dir / fs::u8path("\xE2\x82\xAC-\xC3\xA9t\xC3\xA9.txt"));
    std::FILE* file = platformOpenFile(name, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_GE(std::fputs("ok", file), 0);
    std::fclose(file);
    EXPECT_EQ(fs::file_size(fs::u8path(name)), 2u);
    EXPECT_TRUE(platformGrantUsersFullAccess(utf8(dir)));
    fs::remove_all(dir);
}

// The single instance across two processes: the first holds the lock, the
// second is refused and raises the first, which then ends; the lock goes
// with it.
TEST(Win32Process, TheInstanceLockIsHeldByOneProcessAndRaisesIt) {
    const std::string name = "bm win32 test lock " + std::to_string(GetCurrentProcessId());
    const fs::path dir = fs::temp_directory_path() / ("bm-lock-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    CPlatformProcess holder;
    ASSERT_TRUE(holder.start(BM_WIN32_TEST_HELPER, {"hold-lock", name, dir.string()}, {}));
    for (int i = 0; i < 200 && !fs::exists(dir / "ready"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(dir / "ready"));

    CPlatformInstanceLock second;
    std::string error;
    EXPECT_EQ(second.acquire(name, "", &error), PlatformLockResult::HeldElsewhere);
    EXPECT_FALSE(second.isHeld());
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(name, ""));
    PlatformExitStatus status;
    ASSERT_TRUE(holder.waitForExit(20000, &status));
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(fs::exists(dir / "raised"));

    // Nobody listens once the holder is gone, and the name is free again.
    EXPECT_FALSE(CPlatformInstanceLock::sendRaiseRequest(name, ""));
    EXPECT_EQ(second.acquire(name, "", &error), PlatformLockResult::Acquired) << error;
    EXPECT_TRUE(second.takeRaiseRequests() == false);
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(name, ""));
    EXPECT_TRUE(second.takeRaiseRequests());
    second.stopWaiting();
    EXPECT_FALSE(second.waitForRaiseRequests());
    second.release();
    fs::remove_all(dir);
}

TEST(Win32Process, ACrashInAChildWritesAMinidump) {
    const fs::path dir = fs::temp_directory_path() / ("bm-crash-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    const fs::path program = dir / "crasher.exe";
    fs::copy_file(BM_WIN32_TEST_HELPER, program, fs::copy_options::overwrite_existing);
    CPlatformProcess child;
    CPlatformProcess::Options options;
    options.outputFile = (dir / "output.txt").string();
    ASSERT_TRUE(child.start(program.string(), {"crash"}, options));
    PlatformExitStatus status;
    ASSERT_TRUE(child.waitForExit(60000, &status));
    EXPECT_EQ(status.code, 128 + 11);
    std::ifstream dump(dir / "crasher.exe.dmp", std::ios::binary);
    char signature[4] = {};
    dump.read(signature, 4);
    EXPECT_EQ(std::string(signature, 4), "MDMP");
    dump.close();
    fs::remove_all(dir);
}

} // namespace
