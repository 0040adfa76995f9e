// Plays the demo for run.sh when there is no display to hand to an operator: starts 标签打印 on the
// demo settings, works through one label as an operator would (two spare items, a key from the demo
// shipping list, Enter, quantity 2, Enter, 打印), then hands the window's position to run.sh for the
// screenshot and ends the program with its exit button.
//
//   demo-driver.exe <demo config.ini> <ready file> <item key>
//
// When the window is ready for its picture it writes "left top width height" into the ready file and
// waits until run.sh deletes it.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/Controls.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/AppDriver.h"

using workflow::LabelPrintApp;
using workflow::WaitUntil;

namespace {

bool Say(const char* step, bool ok) {
    std::printf("  %-42s %s\n", step, ok ? "ok" : "FAILED");
    return ok;
}

// Closes a message box if one came up; returns its text.
std::wstring CloseMessage(LabelPrintApp& app) {
    auto box = app.FindMessageBox();
    if (!box) return {};
    app.Close(*box);
    return box->text;
}

void PlayOneLabel(LabelPrintApp& app, const std::wstring& key) {
    app.SetText(app::Spare1Box, L"演示备注");
    app.SetText(app::Spare2Box, L"第一批");
    Say("two spare items, Enter, Enter", app.EnterKey(key));
    WaitUntil([&] { return app.FocusId() == app::QuantityBox || app.FindMessageBox().has_value(); }, 60000);
    if (!Say("item key, Enter: found in the shipping list", app.FocusId() == app::QuantityBox)) {
        CloseMessage(app);
        return;
    }
    app.SetText(app::QuantityBox, L"2");
    app.PostEnter(app::QuantityBox);
    Say("quantity 2, Enter", app.WaitForFocus(app::PrintButton));
    app.PostClick(app::PrintButton);
    WaitUntil([&] { return app.Text(app::StatusLine) != L"" || app.FindMessageBox().has_value(); }, 60000);
    std::wstring message = CloseMessage(app);
    Say("打印: labels printed", app.Text(app::StatusLine) == L"打印完成" && message.empty());
}

// Gives run.sh the window's place for its picture and waits until run.sh has taken it.
void HandOverForThePicture(LabelPrintApp& app, const std::wstring& ready) {
    ::Sleep(300);  // let it paint
    RECT r{};
    ::GetWindowRect(app.window(), &r);
    if (FILE* out = _wfopen(ready.c_str(), L"w")) {
        std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(out);
    }
    while (::GetFileAttributesW(ready.c_str()) != INVALID_FILE_ATTRIBUTES) ::Sleep(100);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: demo-driver.exe <demo config.ini> <ready file> <item key>\n");
        return 2;
    }
    try {
        auto app = workflow::Start(L"demo", testing_support::ReadBytes(argv[1]));
        PlayOneLabel(*app, argv[3]);
        HandOverForThePicture(*app, argv[2]);
        app->PostClick(app::ExitButton);
        app->WaitForExit();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
