// 标签打印: prints product labels through BarTender from a shipping-list workbook.
#include <windows.h>
#include <commctrl.h>

#include "app/frmMain.h"
#include "win/ComApartment.h"
#include "win/Messages.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    win::ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    app::frmMain form(app::frmMain::StartBarTender());
    if (!form.Create(instance)) return 1;
    form.Load();
    form.Show(showCommand);
    return win::RunMessageLoop();
}
