// Stand-in web browser for the test/demo prefix: registered as the handler of https addresses, it
// records each address it is asked to open as one line (UTF-8) in the file named by the "LogFile"
// setting of HKCU\Software\LabelPrint\Standins\Browser, and opens nothing.
//
//   url-recorder.exe /register   make it the https handler of this prefix
//   url-recorder.exe <address>   record the address
#include <windows.h>

#include <string>

#include "standins/common/StandinConfig.h"
#include "win/ModulePath.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace {

int Register() {
    win::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return 1;
    std::wstring command = L"\"" + win::ExecutablePath() + L"\" \"%1\"";
    return ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS
               ? 0
               : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    std::wstring address = commandLine ? commandLine : L"";
    if (address == L"/register") return Register();
    if (address.size() >= 2 && address.front() == L'"' && address.back() == L'"')
        address = address.substr(1, address.size() - 2);
    std::wstring path = standin::ConfigString(L"Browser", L"LogFile");
    if (path.empty()) return 0;
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    std::string line = win::ToUtf8(address) + "\n";
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return 0;
}
