// Start-up, the focus rules, the help link and the two ways of ending, driven through the real window.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/support/WindowLayout.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::ReadBytes;
using Strings = std::vector<std::string>;

namespace {

class StartupTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    StandinScenario browser{L"Browser"};
};

TEST_F(StartupTest, FirstStartWithoutSettingsShowsTheEmptyFormWithFocusInTheFirstSpareBox) {
    auto app = Start(L"first-start");

    RECT client{};
    ::GetClientRect(app->window(), &client);
    EXPECT_EQ(client.right, testing_support::kExpectedClientWidth);
    EXPECT_EQ(client.bottom, testing_support::kExpectedClientHeight);

    for (const testing_support::ExpectedControl& expected : testing_support::kExpectedControls) {
        SCOPED_TRACE(expected.id);
        RECT placed = app->Placement(expected.id);
        EXPECT_EQ(placed.left, expected.place.left);
        EXPECT_EQ(placed.top, expected.place.top);
        EXPECT_EQ(placed.right, expected.place.right);
        EXPECT_EQ(placed.bottom, expected.place.bottom);
        EXPECT_EQ(app->Text(expected.id), expected.caption);
    }
    EXPECT_TRUE(app->WaitForFocus(app::Spare1Box));

    EXPECT_EQ(bartender.Briefs(), (Strings{"Application.Version()"}));
    EXPECT_FALSE(testing_support::Exists(app->configPath())) << "start-up writes nothing";
}

TEST_F(StartupTest, TabWalksTheBoxesAndButtonsInTheirOrder) {
    auto app = Start(L"tab-order");
    ASSERT_TRUE(app->WaitForFocus(app::Spare1Box));

    const int order[] = {app::Spare2Box, app::KeyBox, app::QuantityBox, app::PrintButton, app::ExitButton, app::WorkbookBox,
                         app::ChooseWorkbookButton, app::ChooseTemplateButton, app::TemplateBox, app::Spare1Box};
    for (int next : order) {
        app->PostKey(app->FocusId(), VK_TAB);
        EXPECT_TRUE(app->WaitForFocus(next, 5000)) << "expected control " << next << ", focus is on " << app->FocusId();
    }
}

TEST_F(StartupTest, RemembersTheFilesAndTheQueryColumnOfTheSettingsFile) {
    std::string config = ConfigIni(
        {.keyColumn = L"12", .workbook = L"D:\\出货\\清单 2024.xlsx", .labelTemplate = L"D:\\模板\\标签.btw"});
    auto app = Start(L"remembered", config);

    EXPECT_EQ(app->Text(app::KeyColumnCaption), L"查询列12:");
    EXPECT_EQ(app->Text(app::WorkbookBox), L"D:\\出货\\清单 2024.xlsx");
    EXPECT_EQ(app->Text(app::TemplateBox), L"D:\\模板\\标签.btw");
    EXPECT_EQ(app->Text(app::KeyBox), L"");
    EXPECT_EQ(app->Text(app::Spare1Box), L"");
    EXPECT_EQ(app->Text(app::QuantityBox), L"1");

    app->PostClick(app::ExitButton);
    ASSERT_TRUE(app->WaitForExit());
    EXPECT_EQ(ReadBytes(app->configPath()), config) << "neither start-up nor exit touches the settings file";
}

TEST_F(StartupTest, TheQueryColumnSettingIsReadAsAWholeNumber) {
    for (auto [setting, caption] : {std::pair{L"letters", L"查询列0:"}, std::pair{L"2.5", L"查询列2:"},  // halves to even
                                    std::pair{L"3.5", L"查询列4:"}, std::pair{L"-3", L"查询列-3:"},
                                    std::pair{L"99999999999", L"查询列0:"}}) {  // out of range
        SCOPED_TRACE(testing_support::Utf8(setting));
        EXPECT_EQ(Start(L"query-column", Settings{.keyColumn = setting})->Text(app::KeyColumnCaption), caption);
    }
}

// Version texts and failures that mean there is no usable BarTender.
struct BarTenderCase {
    const char* name;
    const wchar_t* version;  // nullptr: keep the stand-in's default
    DWORD versionFails, refuseCreate;
    bool unregistered;
    Strings calls;  // what BarTender is asked
};

void PrintTo(const BarTenderCase& c, std::ostream* os) { *os << c.name; }

class BarTenderCheckTest : public StartupTest, public ::testing::WithParamInterface<BarTenderCase> {};

TEST_P(BarTenderCheckTest, ShowsTheMessageAndEndsBeforeTheWindowAppears) {
    const BarTenderCase& c = GetParam();
    if (c.version) bartender.Set(L"Version", c.version);
    if (c.versionFails) bartender.Set(L"VersionFails", c.versionFails);
    if (c.refuseCreate) bartender.Set(L"RefuseCreate", c.refuseCreate);
    if (c.unregistered) {
        ASSERT_EQ(RunStandin(L"bartender-standin.exe", L"/unregserver"), 0u);
    }
    struct Reregister {
        bool needed;
        ~Reregister() {
            if (needed) RunStandin(L"bartender-standin.exe", L"/regserver");
        }
    } reregister{c.unregistered};

    LabelPrintApp app(L"no-bartender");
    app.Launch();
    auto box = app.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: NO Bartender OR error！ [OK]");
    HWND main = app.FindMainWindow();
    EXPECT_TRUE(main == nullptr || !::IsWindowVisible(main)) << "the window is never shown";

    app.Answer(*box, IDOK);
    EXPECT_TRUE(app.WaitForExit());
    EXPECT_EQ(bartender.Briefs(), c.calls);
    EXPECT_FALSE(testing_support::Exists(app.configPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, BarTenderCheckTest,
    ::testing::Values(
        // A BarTender that was started but fails the check is told to quit, so it does not linger.
        BarTenderCase{"zero", L"0", 0, 0, false, {"Application.Version()", "Application.Quit(I4:0)"}},
        BarTenderCase{"negative", L"-1", 0, 0, false, {"Application.Version()", "Application.Quit(I4:0)"}},
        BarTenderCase{"letters", L"abc", 0, 0, false, {"Application.Version()", "Application.Quit(I4:0)"}},
        BarTenderCase{"unreadable", nullptr, 1, 0, false, {"Application.Version()", "Application.Quit(I4:0)"}},
        BarTenderCase{"refused", nullptr, 0, 1, false, {}}, BarTenderCase{"unregistered", nullptr, 0, 0, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, MinimisingAndRestoringPutsTheFocusIntoTheFirstSpareBox) {
    auto app = Start(L"restore");
    app->PostEnter(app::Spare1Box);
    app->PostEnter(app::Spare2Box);
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox));

    ::PostMessageW(app->window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(app->window()) != FALSE; }));
    ::PostMessageW(app->window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsIconic(app->window()); }));
    EXPECT_TRUE(app->WaitForFocus(app::Spare1Box));
}

// Logging off or shutting down Windows: BarTender is told to quit, once.
TEST_F(StartupTest, EndingTheSessionQuitsBarTender) {
    auto app = Start(L"session-end");
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(app->window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                                      &answer));
    EXPECT_EQ(answer, TRUE) << "the program lets the session end";
    ASSERT_TRUE(::SendMessageTimeoutW(app->window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                                      &answer));
    EXPECT_TRUE(WaitUntil([&] { return bartender.Briefs().size() == 2; }));
    EXPECT_EQ(bartender.Briefs(), (Strings{"Application.Version()", "Application.Quit(I4:0)"}));
}

// Without the page a click does nothing (the shell would complain of a missing file); with the page
// the installer puts beside the program, the click opens it.
TEST_F(StartupTest, ClickOnTheStatusLineOpensTheHelpPageBesideTheProgram) {
    auto app = Start(L"help-link");
    app->PostMouseClick(app::StatusLine);
    // Enter in the quantity box is handled after the click: once the focus has moved, the click is done.
    app->PostEnter(app::QuantityBox);
    ASSERT_TRUE(app->WaitForFocus(app::PrintButton));
    EXPECT_FALSE(app->FindMessageBox());
    EXPECT_EQ(browser.RawLog(), "");

    const std::wstring page = app->folder() + L"\\help\\index.html";
    ASSERT_TRUE(::CreateDirectoryW((app->folder() + L"\\help").c_str(), nullptr));
    testing_support::WriteBytes(page, "<!DOCTYPE html><title>help</title>");
    app->PostMouseClick(app::StatusLine);
    EXPECT_TRUE(WaitUntil([&] { return !browser.RawLog().empty(); }));
    EXPECT_EQ(testing_support::FromUtf8(browser.RawLog()), page + L"\n");
    EXPECT_FALSE(app->FindMessageBox());
    EXPECT_TRUE(app->Running());
}

}  // namespace
