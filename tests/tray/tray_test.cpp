// The tray icon against Wine's notification area: adding, changing, removing,
// adding again, and the menu and double click as the shell reports them.
#include "TrayIcon.h"
#include "resource.h"
#include "../support/WideText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT kNotify = WM_USER + 10;
const UINT kId = 103;

// A window that records what the tray icon does to its owner, and inspects the
// tray menu while it is open.
struct Owner {
    HWND hWnd = nullptr;
    HMENU popup = nullptr;
    std::vector<UINT> commands;
    UINT defaultItem = static_cast<UINT>(-1);
    std::vector<UINT> checked;
    std::string firstItem;

    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Owner*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        switch (msg) {
        case WM_INITMENUPOPUP:
            if (!self->popup)
                self->popup = reinterpret_cast<HMENU>(wParam);
            break;
        case WM_TIMER:
            if (self->popup) {
                self->Inspect();
                ::EndMenu();
            }
            return 0;
        case WM_COMMAND:
            self->commands.push_back(LOWORD(wParam));
            return 0;
        }
        return ::DefWindowProcA(hWnd, msg, wParam, lParam);
    }

    void Inspect() {
        defaultItem = ::GetMenuDefaultItem(popup, TRUE, 0);
        for (UINT id :
             {ID_STATUS_AVAILABLE, ID_STATUS_BUSY, ID_STATUS_INVISIBLE, ID_STATUS_UNAVAILABLE})
            if (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED)
                checked.push_back(id);
        firstItem = MenuItemText(popup, 0);
    }

    Owner() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "TrayTestOwner";
        ::RegisterClassA(&wc);
        hWnd = ::CreateWindowA("TrayTestOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Owner() { ::DestroyWindow(hWnd); }
};

HICON SmallIcon(UINT id) {
    return static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                           IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                           ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// The shell's own record of an icon, as a shell that restarted would lose it.
NOTIFYICONDATAA ShellRecord(HWND hWnd, UINT id) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = id;
    return nid;
}

bool ShellHasIcon(HWND hWnd, UINT id) {
    NOTIFYICONDATAA nid = ShellRecord(hWnd, id);
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid);
}

bool PostedUserMessage(HWND hWnd) {
    MSG msg;
    return ::PeekMessageA(&msg, hWnd, WM_USER, WM_USER, PM_REMOVE) && msg.wParam == 0 &&
           msg.lParam == 0;
}

TEST(TrayIcon, WithoutAWindowNothingReachesTheShell) {
    CTrayIcon tray;
    EXPECT_FALSE(tray.Create(nullptr, kNotify, "BriskoPC menu", nullptr, kId));
    EXPECT_FALSE(tray.SetIcon(IDI_TRAY_QUIET));
    EXPECT_FALSE(tray.RemoveIcon());
    EXPECT_EQ(tray.m_nStatus, 1);
}

TEST(TrayIcon, AddChangeAndRemoveAsTheShellSeesIt) {
    Owner owner;
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));
    EXPECT_TRUE(tray.IsEnabled());

    // The shell holds one icon per window and id: a second add is refused.
    CTrayIcon twin;
    EXPECT_FALSE(twin.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));

    for (UINT id :
         {IDI_TRAY_START, IDI_TRAY_BUSY, IDI_TRAY_BLINK_OFF, IDI_TRAY_BLINK_ON, IDI_TRAY_QUIET}) {
        EXPECT_TRUE(tray.SetIcon(id)) << id;
        EXPECT_EQ(tray.GetIcon(), SmallIcon(id)) << id;
    }

    EXPECT_TRUE(tray.RemoveIcon());
    EXPECT_FALSE(tray.IsEnabled());
    EXPECT_FALSE(tray.SetIcon(IDI_TRAY_QUIET)) << "image changes after removal are ignored";
    CTrayIcon again;
    EXPECT_TRUE(again.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId))
        << "the shell must really have let the icon go";
}

TEST(TrayIcon, HideTakesTheIconAwayOnceAndTheDestructorIsHarmless) {
    Owner owner;
    {
        CTrayIcon tray;
        ASSERT_TRUE(tray.Create(owner.hWnd, kNotify,
                                "a tip longer than the shell's sixty-four "
                                "bytes is cut, never overrun",
                                nullptr, kId));
        tray.HideIcon();
        tray.HideIcon();
        EXPECT_TRUE(tray.IsEnabled()) << "hiding keeps the enabled flag for the destructor";
        CTrayIcon other;
        EXPECT_TRUE(other.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId + 1));
    }
    CTrayIcon fresh;
    EXPECT_TRUE(fresh.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));
}

TEST(TrayIcon, AddedAgainWhenTheShellLostItOrNeverTookIt) {
    Owner owner;
    NOTIFYICONDATAA nid = ShellRecord(owner.hWnd, kId);
    {
        CTrayIcon tray;
        ASSERT_TRUE(tray.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));
        ASSERT_TRUE(tray.SetIcon(IDI_TRAY_QUIET));
        ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
        ASSERT_FALSE(ShellHasIcon(owner.hWnd, kId));
        EXPECT_TRUE(tray.AddAgain());
        EXPECT_TRUE(ShellHasIcon(owner.hWnd, kId));
        EXPECT_EQ(tray.GetIcon(), SmallIcon(IDI_TRAY_QUIET));
        EXPECT_TRUE(tray.AddAgain()) << "a shell that still has it keeps it";
    }
    EXPECT_FALSE(ShellHasIcon(owner.hWnd, kId));

    // The shell refuses the first add (here: another holds the same id).
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_ADD, &nid));
    CTrayIcon late;
    ASSERT_FALSE(late.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    EXPECT_TRUE(late.AddAgain());
    EXPECT_TRUE(late.IsEnabled());
    EXPECT_TRUE(ShellHasIcon(owner.hWnd, kId));
    EXPECT_TRUE(late.SetIcon(IDI_TRAY_BUSY));

    // Without a window, or once hidden with it, nothing is added.
    late.HideIcon();
    EXPECT_FALSE(late.AddAgain());
    EXPECT_FALSE(ShellHasIcon(owner.hWnd, kId));
    CTrayIcon never;
    EXPECT_FALSE(never.AddAgain());
}

class TrayMenu : public ::testing::TestWithParam<std::pair<int, UINT>> {};

TEST_P(TrayMenu, RightClickShowsOpenAsDefaultAndChecksTheChosenStatus) {
    Owner owner;
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));
    tray.m_nStatus = GetParam().first;
    ::SetTimer(owner.hWnd, 1, 100, nullptr);

    EXPECT_EQ(tray.OnTrayNotification(kId, WM_RBUTTONUP), 1);
    ::KillTimer(owner.hWnd, 1);

    ASSERT_NE(owner.popup, nullptr) << "the menu did not open";
    EXPECT_EQ(owner.defaultItem, 4u) << "\"Otwórz\" is the default item";
    EXPECT_EQ(owner.checked, std::vector<UINT>{GetParam().second});
    EXPECT_EQ(owner.firstItem, "Strona główna brisko.example");
    EXPECT_TRUE(PostedUserMessage(owner.hWnd)) << "the menu is followed by WM_USER";
    EXPECT_TRUE(owner.commands.empty());
}

INSTANTIATE_TEST_SUITE_P(EachStatus, TrayMenu,
                         ::testing::Values(std::make_pair(0, UINT(ID_STATUS_INVISIBLE)),
                                           std::make_pair(1, UINT(ID_STATUS_AVAILABLE)),
                                           std::make_pair(2, UINT(ID_STATUS_BUSY)),
                                           std::make_pair(3, UINT(ID_STATUS_UNAVAILABLE))));

TEST(TrayIcon, DoubleClickOpensAndOtherMessagesDoNothing) {
    Owner owner;
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(owner.hWnd, kNotify, "BriskoPC menu", nullptr, kId));

    EXPECT_EQ(tray.OnTrayNotification(kId, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(owner.commands, std::vector<UINT>{ID_TRAY_OPEN});

    EXPECT_EQ(tray.OnTrayNotification(kId, WM_MOUSEMOVE), 1);
    EXPECT_EQ(tray.OnTrayNotification(kId + 1, WM_LBUTTONDBLCLK), 0) << "another icon's message";
    EXPECT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.popup, nullptr);
}

} // namespace
