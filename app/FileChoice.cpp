// Choosing the shipping-list workbook and the label template: with the "..." buttons (remembered in
// the settings file) or by a click into the box (this run only).
#include "app/MainWindow.h"
#include "services/SettingsFile.h"

namespace app {

namespace {
constexpr wchar_t kWorkbookTypes[] = L"(*.xls)|*.xls|(*.xlsx)|*.xlsx";
constexpr wchar_t kTemplateTypes[] = L"(*.BTW)|*.BTW";
}  // namespace

const MainWindow::FileChoice MainWindow::kChooseWorkbook{WorkbookBox, kWorkbookTypes, L"导入出货清单EXCEL文件", L"DB"};
const MainWindow::FileChoice MainWindow::kClickWorkbook{WorkbookBox, kWorkbookTypes, L"导入EXCEL文件", nullptr};
const MainWindow::FileChoice MainWindow::kChooseTemplate{TemplateBox, kTemplateTypes, L"打开标签模板文件", L"TP"};
const MainWindow::FileChoice MainWindow::kClickTemplate{TemplateBox, kTemplateTypes, L"打开标签模板文件", nullptr};

void MainWindow::ChooseFile(const FileChoice& choice) {
    fileDialog_.Filter = choice.types;
    fileDialog_.DialogTitle = choice.title;
    win::OpenFileDialog::Result chosen = fileDialog_.ShowOpen(hwnd_);
    // A path the dialog could not deliver changes nothing.
    if (chosen.outcome == win::OpenFileDialog::Outcome::Failed) return;
    if (chosen.path.empty()) {
        // Either answer only closes the box.
        ::MessageBoxW(hwnd_, L"没有选定文件", L"出错提示", MB_RETRYCANCEL | MB_ICONQUESTION);
        return;
    }
    SetTextOf(choice.box, chosen.path);
    if (!choice.rememberAs) return;
    std::wstring path = TextOf(choice.box);
    services::WriteSetting(L"DATA", choice.rememberAs, path);
    // The box keeps the path for this run, but the settings file stores the code page's substitutes
    // for what it cannot hold, so the next start would show a path that names no file.
    if (!services::IniCanHold(path)) ShowMessage(L"路径含有配置文件无法保存的字符，下次启动时需要重新选择。");
}

}  // namespace app
