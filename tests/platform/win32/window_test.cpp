// What the Win32 backend makes of the project's window and display-mode terms: the window and
// class styles of the two saver windows, the DEVMODE of a display request, and the form's
// create, show and close on a real window.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/displaymodes.h"
#include "platform/win32/systemcolors.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"

namespace {

// A form that logs its handlers; a test plugs in what a handler does besides.
class LoggingForm final : public WindowEvents {
  public:
    void OnCreateParams(WindowCreateParams&) override { Log.push_back("CreateParams"); }
    void OnCreate() override {
        Log.push_back("Create");
        if (WhenCreated) WhenCreated();
    }
    void OnShow() override { Log.push_back("Show"); }
    void OnKeyDown() override { Log.push_back("KeyDown"); }
    void OnMouseDown() override { Log.push_back("MouseDown"); }
    void OnMouseMove(std::int32_t, std::int32_t) override { Log.push_back("MouseMove"); }
    void OnCloseQuery(bool& canClose) override {
        Log.push_back("CloseQuery");
        if (WhenAsked) WhenAsked();
        canClose = Allow;
    }
    void OnClose() override { Log.push_back("Close"); }
    bool OnSystemCommand(SystemCommand, std::intptr_t&) override { return false; }
    void OnBannerEnd() override {}
    void OnHostGone() override {}
    void OnActivated() override { Activation.push_back("Activated"); }
    void OnActivationLost() override { Activation.push_back("ActivationLost"); }

    std::vector<std::string> Log, Activation;
    std::function<void()> WhenCreated, WhenAsked;
    bool Allow = true;
};

int Count(const std::vector<std::string>& log, const std::string& entry) {
    int n = 0;
    for (const auto& e : log) n += e == entry ? 1 : 0;
    return n;
}

class Win32SaverWindowTest : public ::testing::Test {
  protected:
    void TearDown() override {
        // The close posts the end of the message loop; the next test starts without it.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    Win32SystemColors colors;
    int reports = 0;
    Win32SaverWindow window{nullptr, colors, [this](const std::exception&) { ++reports; }};
    LoggingForm form;
};

TEST_F(Win32SaverWindowTest, FormThatClosesWhileBeingCreatedIsNeverShown) {
    form.WhenCreated = [this] { window.Close(); };
    ASSERT_TRUE(window.Create(form));
    EXPECT_TRUE(window.Closed());
    EXPECT_EQ(Count(form.Log, "Show"), 0);
    EXPECT_EQ(Count(form.Log, "Close"), 1);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(window.Handle())));
}

TEST_F(Win32SaverWindowTest, FormThatStaysOpenIsShownAfterItsCreation) {
    ASSERT_TRUE(window.Create(form));
    EXPECT_EQ(form.Log, (std::vector<std::string>{"CreateParams", "Create", "Show"}));
    EXPECT_TRUE(IsWindowVisible(reinterpret_cast<HWND>(window.Handle())));
    // Shown, the window takes the activation, before the form's show runs.
    ASSERT_FALSE(form.Activation.empty());
    EXPECT_EQ(form.Activation.front(), "Activated");
}

TEST_F(Win32SaverWindowTest, CloseAskedWhileTheCloseQueryRunsIsRefused) {
    ASSERT_TRUE(window.Create(form));
    // As a mouse move over the saver does while the password dialog is up.
    form.WhenAsked = [this, asked = false]() mutable {
        if (asked) return;  // a window that lets the request in asks once more, not forever
        asked = true;
        window.Close();
    };
    window.Close();
    EXPECT_EQ(Count(form.Log, "CloseQuery"), 1);
    EXPECT_EQ(Count(form.Log, "Close"), 1);
    EXPECT_TRUE(window.Closed());
}

TEST_F(Win32SaverWindowTest, RefusedCloseLeavesTheWindowOpenForTheNextRequest) {
    ASSERT_TRUE(window.Create(form));
    form.Allow = false;
    window.Close();
    EXPECT_FALSE(window.Closed());
    EXPECT_TRUE(IsWindowVisible(reinterpret_cast<HWND>(window.Handle())));
    form.Allow = true;
    window.Close();
    EXPECT_TRUE(window.Closed());
    EXPECT_EQ(Count(form.Log, "CloseQuery"), 2);
    EXPECT_EQ(Count(form.Log, "Close"), 1);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(window.Handle())));
}

// A plain top-level window of the calling thread.
HWND MakeWindowOfThisThread() {
    return CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// A plain top-level window of a thread of its own (another program's, as far as the saver can
// tell), there for the object's lifetime.
class WindowOfAnotherThread {
  public:
    WindowOfAnotherThread() {
        Other = std::thread([this] {
            Window = MakeWindowOfThisThread();
            SetEvent(Made);
            WaitForSingleObject(Done, INFINITE);
            DestroyWindow(Window);
        });
        WaitForSingleObject(Made, INFINITE);
    }
    ~WindowOfAnotherThread() {
        SetEvent(Done);
        Other.join();
        CloseHandle(Made);
        CloseHandle(Done);
    }
    LPARAM Handle() const { return reinterpret_cast<LPARAM>(Window); }

  private:
    HANDLE Made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE Done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND Window = nullptr;
    std::thread Other;
};

TEST_F(Win32SaverWindowTest, ActivationGoingToAnotherProgramIsALossAndToTheSaversOwnWindowsNot) {
    ASSERT_TRUE(window.Create(form));
    const HWND saver = reinterpret_cast<HWND>(window.Handle());
    form.Activation.clear();

    SendMessageW(saver, WM_ACTIVATE, WA_ACTIVE, 0);
    // A message box, a dialog or a cover of the saver: same thread.
    const HWND own = MakeWindowOfThisThread();
    SendMessageW(saver, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(own));
    DestroyWindow(own);
    EXPECT_EQ(form.Activation, (std::vector<std::string>{"Activated"}));

    // A window of another thread, or none.
    {
        const WindowOfAnotherThread foreign;
        SendMessageW(saver, WM_ACTIVATE, WA_INACTIVE, foreign.Handle());
    }
    SendMessageW(saver, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(saver, WM_ACTIVATEAPP, FALSE, 0);
    SendMessageW(saver, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(form.Activation,
              (std::vector<std::string>{"Activated", "ActivationLost", "ActivationLost",
                                        "ActivationLost", "Activated"}));

    // Once closed, nothing more is reported.
    window.Close();
    form.Activation.clear();
    SendMessageW(saver, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(Count(form.Activation, "ActivationLost"), 0);
}

BOOL CALLBACK FindCover(HWND window, LPARAM found) {
    wchar_t cls[32] = L"";
    GetClassNameW(window, cls, 32);
    if (std::wstring(cls) != L"SaverCover") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

TEST_F(Win32SaverWindowTest, ActivationMovingToACoverStaysWithTheSaverAndLeavingFromItIsALoss) {
    ASSERT_TRUE(window.Create(form));
    const Rect32 area{0, 0, 64, 48};
    window.CoverAreas(std::span(&area, 1));
    HWND cover = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindCover, reinterpret_cast<LPARAM>(&cover));
    ASSERT_NE(cover, nullptr);
    form.Activation.clear();

    // As a click on the cover moves it: the saver window hears of its own cover, the cover of
    // its activation.
    SetActiveWindow(reinterpret_cast<HWND>(window.Handle()));
    SetActiveWindow(cover);
    EXPECT_EQ(GetActiveWindow(), cover);
    EXPECT_EQ(Count(form.Activation, "ActivationLost"), 0);
    EXPECT_EQ(form.Activation.empty() ? "" : form.Activation.back(), "Activated");

    // From the cover to a window of another thread.
    form.Activation.clear();
    {
        const WindowOfAnotherThread foreign;
        SendMessageW(cover, WM_ACTIVATE, WA_INACTIVE, foreign.Handle());
    }
    EXPECT_EQ(form.Activation, (std::vector<std::string>{"ActivationLost"}));
    // No cover is left with a paint pending, which the teardown's drain would see forever.
    window.CoverAreas({});
}

TEST(Win32StylesFor, RunModeIsATopMostPopupAndPreviewADisabledChildOnItsParentsDc) {
    WindowCreateParams run = Win32FormDefaults(nullptr);
    run.TopMost = true;
    const Win32WindowStyles popup = Win32StylesFor(run);
    EXPECT_EQ(popup.Style, static_cast<std::uint32_t>(WS_POPUP));
    EXPECT_EQ(popup.ExStyle, static_cast<std::uint32_t>(WS_EX_TOPMOST));
    EXPECT_EQ(popup.ClassStyle, static_cast<std::uint32_t>(CS_DBLCLKS));

    WindowCreateParams preview;
    preview.Child = preview.Visible = preview.Disabled = preview.DrawsOnParent = true;
    const Win32WindowStyles child = Win32StylesFor(preview);
    EXPECT_EQ(child.Style, 0x58000000u);  // WS_CHILD | WS_VISIBLE | WS_DISABLED, nothing else
    EXPECT_EQ(child.ExStyle, 0u);
    EXPECT_EQ(child.ClassStyle, 0x0080u);  // CS_PARENTDC alone
}

TEST(FillDevMode, NamesTheRateOnlyWhenTheRequestGivesOne) {
    DEVMODEA dm;
    FillDevMode(DisplayModeRequest{640, 480, 24, 0}, dm);
    EXPECT_EQ(dm.dmSize, 156u);
    EXPECT_EQ(dm.dmFields, 0x5C0000u);
    EXPECT_EQ(dm.dmPelsWidth, 640u);
    EXPECT_EQ(dm.dmPelsHeight, 480u);
    EXPECT_EQ(dm.dmBitsPerPel, 24u);
    EXPECT_EQ(dm.dmDisplayFrequency, 0u);

    FillDevMode(DisplayModeRequest{1920, 1080, 32, std::nullopt}, dm);
    EXPECT_EQ(dm.dmFields, 0x1C0000u);
    EXPECT_EQ(dm.dmDisplayFrequency, 0u);
    EXPECT_EQ(dm.dmPelsWidth, 1920u);

    FillDevMode(DisplayModeRequest{1920, 1080, 32, 75}, dm);
    EXPECT_EQ(dm.dmFields, 0x5C0000u);
    EXPECT_EQ(dm.dmDisplayFrequency, 75u);
}

}  // namespace
