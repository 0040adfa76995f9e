// 标签打印: prints product labels through BarTender from a shipping-list workbook.
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "app/MainWindow.h"
#include "win/ComApartment.h"
#include "win/MessagePump.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // OLE is delay-loaded: BarTender's call thread loads it while this thread builds the window, and
    // this thread joins COM (for the open-file dialog) only once the window is built. Declared first, so that the
    // window's automation objects are released before the apartment closes.
    std::optional<win::ComApartment> com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    app::MainWindow window(app::MainWindow::StartBarTender());
    if (!window.Create(instance)) return 1;
    com.emplace();
    window.Load();
    window.Show(showCommand);
    return win::RunMessageLoop();
}
