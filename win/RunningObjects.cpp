#include "win/RunningObjects.h"

#include <objbase.h>
#include <objidl.h>

#include "win/ComPtr.h"
#include "win/UniqueResource.h"

namespace win {

std::vector<std::wstring> RunningFiles() {
    std::vector<std::wstring> files;
    ComPtr<IRunningObjectTable> table;
    if (FAILED(::GetRunningObjectTable(0, table.put())) || !table) return files;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(table->EnumRunning(monikers.put())) || !monikers) return files;
    ComPtr<IBindCtx> context;
    if (FAILED(::CreateBindCtx(0, context.put()))) return files;
    for (;;) {
        ComPtr<IMoniker> moniker;
        if (monikers->Next(1, moniker.put(), nullptr) != S_OK) break;
        DWORD kind = MKSYS_NONE;
        if (FAILED(moniker->IsSystemMoniker(&kind)) || kind != MKSYS_FILEMONIKER) continue;
        LPOLESTR name = nullptr;
        if (FAILED(moniker->GetDisplayName(context.get(), nullptr, &name)) || !name) continue;
        UniqueCoTaskMem owned(name);
        files.emplace_back(name);
    }
    return files;
}

}  // namespace win
