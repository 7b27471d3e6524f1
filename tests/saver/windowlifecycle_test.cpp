// The saver window's create, show and close as every backend runs them: the order of the form's
// handlers around the backend's steps, and which close requests the form hears.
#include "saver/windowlifecycle.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/saverfakes.h"

namespace {

// A backend's primitives, logged into the same log as the form's handlers.
class FakePrimitives final : public WindowPrimitives {
  public:
    explicit FakePrimitives(CallLog& log) : Log(log) {}
    WindowCreateParams DefaultParams() override {
        Log.push_back("DefaultParams");
        WindowCreateParams params;
        params.DoubleClicks = true;
        return params;
    }
    bool MakeWindow(const WindowCreateParams& params) override {
        Log.push_back(params.TopMost ? "MakeWindow top-most" : "MakeWindow");
        return makes;
    }
    bool TerminationPending() override {
        Log.push_back("TerminationPending");
        return terminationPending;
    }
    bool Map() override {
        Log.push_back("Map");
        if (whenMapped) whenMapped();
        return maps;
    }
    void TakeInput() override { Log.push_back("TakeInput"); }
    void Unmap() override { Log.push_back("Unmap"); }

    bool makes = true, maps = true, terminationPending = false;
    std::function<void()> whenMapped;

  private:
    CallLog& Log;
};

// A form whose handlers log themselves and do what a test plugs in.
class ScriptedForm final : public WindowEvents, LoggingFake {
  public:
    explicit ScriptedForm(CallLog& log) : LoggingFake(log) {}
    void OnCreateParams(WindowCreateParams& params) override {
        Logged("OnCreateParams");
        params.TopMost = true;
    }
    void OnCreate() override { Handled("OnCreate", whenCreated); }
    void OnShow() override { Handled("OnShow", whenShown); }
    void OnKeyDown() override {}
    void OnMouseDown() override {}
    void OnMouseMove(std::int32_t, std::int32_t) override {}
    void OnCloseQuery(bool& canClose) override {
        Handled("OnCloseQuery", whenAsked);
        canClose = allowClose;
    }
    void OnClose() override { Handled("OnClose", whenClosed); }
    // As the saver's form answers it: other screen savers are refused.
    bool OnSystemCommand(SystemCommand command, std::intptr_t& result) override {
        if (command != SystemCommand::ScreenSave) return false;
        result = 1;
        return true;
    }
    void OnBannerEnd() override {}
    void OnHostGone() override {}

    bool allowClose = true;
    std::function<void()> whenCreated, whenShown, whenAsked, whenClosed;

  private:
    // Logs the handler, then does what the test plugged into it.
    void Handled(const char* handler, const std::function<void()>& then) {
        Logged(handler);
        if (then) then();
    }
};

class WindowLifecycleTest : public ::testing::Test {
  protected:
    CallLog log;
    FakePrimitives primitives{log};
    ScriptedForm form{log};
    std::vector<std::string> reported;
    WindowLifecycle lifecycle{
        primitives, [this](const std::exception& error) { reported.emplace_back(error.what()); }};
};

// Creation and show.

TEST_F(WindowLifecycleTest, FormIsBuiltMappedShownThenTakesInput) {
    // The form refuses other screen savers, yet nothing holds off the desktop's own.
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_EQ(log, (CallLog{"DefaultParams", "OnCreateParams", "MakeWindow top-most", "OnCreate",
                            "TerminationPending", "Map", "OnShow", "TakeInput"}));
    EXPECT_TRUE(lifecycle.Shown());
    EXPECT_FALSE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, WindowThatCannotBeMadeRunsNoFurtherHandler) {
    primitives.makes = false;
    EXPECT_FALSE(lifecycle.Create(form));
    EXPECT_EQ(IndexOf(log, "OnCreate"), -1);
    EXPECT_EQ(IndexOf(log, "Map"), -1);
}

TEST_F(WindowLifecycleTest, FormThatClosesWhileBeingCreatedIsNeverMappedNorShown) {
    form.whenCreated = [this] { lifecycle.Close(); };
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_TRUE(lifecycle.Closed());
    EXPECT_EQ(log, (CallLog{"DefaultParams", "OnCreateParams", "MakeWindow top-most", "OnCreate",
                            "OnCloseQuery", "OnClose", "Unmap"}));
    EXPECT_FALSE(lifecycle.Shown());
}

TEST_F(WindowLifecycleTest, CloseRefusedDuringCreationLeavesTheFormToBeShown) {
    form.allowClose = false;
    form.whenCreated = [this] { lifecycle.Close(); };
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_FALSE(lifecycle.Closed());
    EXPECT_NE(IndexOf(log, "OnShow"), -1);
}

TEST_F(WindowLifecycleTest, TerminationDuringCreationClosesBeforeTheMap) {
    primitives.terminationPending = true;
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_TRUE(lifecycle.Closed());
    EXPECT_LT(IndexOf(log, "TerminationPending"), IndexOf(log, "OnCloseQuery"));
    EXPECT_EQ(IndexOf(log, "Map"), -1);
    EXPECT_EQ(IndexOf(log, "OnShow"), -1);
}

TEST_F(WindowLifecycleTest, TerminationWhoseCloseIsRefusedStillShowsTheForm) {
    primitives.terminationPending = true;
    form.allowClose = false;
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_NE(IndexOf(log, "OnShow"), -1);
    EXPECT_FALSE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, WindowThatNeverReachesTheScreenIsNotShown) {
    primitives.maps = false;
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_EQ(IndexOf(log, "OnShow"), -1);
    EXPECT_EQ(IndexOf(log, "TakeInput"), -1);
}

TEST_F(WindowLifecycleTest, CloseWhileMappingSkipsTheShow) {
    // A compositor's close request while the window waits to be configured.
    primitives.whenMapped = [this] { lifecycle.Close(); };
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_EQ(IndexOf(log, "OnShow"), -1);
    EXPECT_TRUE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, FormThatClosesWhenShownTakesNoInput) {
    form.whenShown = [this] { lifecycle.Close(); };
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_TRUE(lifecycle.Shown());
    EXPECT_EQ(IndexOf(log, "TakeInput"), -1);
}

TEST_F(WindowLifecycleTest, ErrorLeavingCreateIsReportedAndTheFormStillShown) {
    form.whenCreated = [] { throw std::runtime_error("bad Speed"); };
    ASSERT_TRUE(lifecycle.Create(form));
    EXPECT_EQ(reported, (std::vector<std::string>{"bad Speed"}));
    EXPECT_NE(IndexOf(log, "OnShow"), -1);
}

TEST_F(WindowLifecycleTest, WithoutAReportAnErrorLeavingCreateReachesTheCaller) {
    WindowLifecycle unreported{primitives};
    form.whenCreated = [] { throw std::runtime_error("bad Speed"); };
    EXPECT_THROW(unreported.Create(form), std::runtime_error);
    EXPECT_EQ(IndexOf(log, "Map"), -1);
}

// Close.

TEST_F(WindowLifecycleTest, AllowedCloseRunsTheQueryTheCloseAndTheUnmapOnce) {
    ASSERT_TRUE(lifecycle.Create(form));
    log.clear();
    lifecycle.Close();
    lifecycle.Close();
    EXPECT_EQ(log, (CallLog{"OnCloseQuery", "OnClose", "Unmap"}));
    EXPECT_TRUE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, RefusedCloseKeepsTheWindowAndTheNextRequestAsksAgain) {
    ASSERT_TRUE(lifecycle.Create(form));
    log.clear();
    form.allowClose = false;
    lifecycle.Close();
    EXPECT_FALSE(lifecycle.Closed());
    EXPECT_EQ(log, (CallLog{"OnCloseQuery"}));
    form.allowClose = true;
    lifecycle.Close();
    EXPECT_TRUE(lifecycle.Closed());
    EXPECT_EQ(log, (CallLog{"OnCloseQuery", "OnCloseQuery", "OnClose", "Unmap"}));
}

TEST_F(WindowLifecycleTest, CloseAskedWhileTheQueryRunsIsRefused) {
    ASSERT_TRUE(lifecycle.Create(form));
    log.clear();
    // A movement over the saver while its password dialog is up.
    form.whenAsked = [this, asked = false]() mutable {
        EXPECT_TRUE(lifecycle.Closing());
        if (asked) return;  // a fault lets the request in: it is asked once, not forever
        asked = true;
        lifecycle.Close();
    };
    lifecycle.Close();
    EXPECT_EQ(log, (CallLog{"OnCloseQuery", "OnClose", "Unmap"}));
    EXPECT_FALSE(lifecycle.Closing());
}

TEST_F(WindowLifecycleTest, CloseAskedFromTheFormsOwnCloseIsRefused) {
    ASSERT_TRUE(lifecycle.Create(form));
    log.clear();
    form.whenClosed = [this, closed = false]() mutable {
        EXPECT_TRUE(lifecycle.Closed());
        if (closed) return;
        closed = true;
        lifecycle.Close();
    };
    lifecycle.Close();
    EXPECT_EQ(log, (CallLog{"OnCloseQuery", "OnClose", "Unmap"}));
}

TEST_F(WindowLifecycleTest, ErrorLeavingTheQueryRefusesOnlyThatClose) {
    ASSERT_TRUE(lifecycle.Create(form));
    form.whenAsked = [] { throw std::runtime_error("registry"); };
    EXPECT_THROW(lifecycle.Close(), std::runtime_error);
    EXPECT_FALSE(lifecycle.Closed());
    form.whenAsked = nullptr;
    lifecycle.Close();
    EXPECT_TRUE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, CloseBeforeCreationAsksNothing) {
    lifecycle.Close();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(lifecycle.Closed());
}

TEST_F(WindowLifecycleTest, LostDisplayClosesTheFormEvenWhenItsQueryRefuses) {
    ASSERT_TRUE(lifecycle.Create(form));
    log.clear();
    form.allowClose = false;
    lifecycle.CloseLost();
    EXPECT_TRUE(lifecycle.Closed());
    EXPECT_EQ(log, (CallLog{"OnCloseQuery", "OnClose"}));
    lifecycle.CloseLost();
    EXPECT_EQ(CountOf(log, "OnClose"), 1);
}

}  // namespace
