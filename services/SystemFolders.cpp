#include "services/SystemFolders.h"

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <optional>
#include <string_view>

#include "win/GrowBuffer.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace services {

namespace {

// The classic buffer size of the folder calls; longer paths grow it.
constexpr std::size_t kFirstBufferSize = 255;
// Room for the longest path Windows has (32767 characters) at two bytes each in a double-byte code page.
constexpr std::size_t kLargestPath = 1u << 17;

using DirectoryCall = UINT (*)(char* buffer, UINT size);

UINT CallWindowsDirectory(char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); }
UINT CallSystemDirectory(char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); }
UINT CallTempPath(char* buffer, UINT size) { return ::GetTempPathA(size, buffer); }

struct KernelFolder {
    std::wstring_view keyword;
    DirectoryCall call;
};
constexpr KernelFolder kKernelFolders[] = {
    {L"win", CallWindowsDirectory},
    {L"sys", CallSystemDirectory},
    {L"tmp", CallTempPath},
};

struct ShellFolder {
    std::wstring_view keyword;
    int csidl;
};
constexpr ShellFolder kShellFolders[] = {
    {L"desktop", CSIDL_DESKTOP},
    {L"sendto", CSIDL_SENDTO},
    {L"mydoc", CSIDL_PERSONAL},
    {L"programs", CSIDL_PROGRAMS},
    {L"startup", CSIDL_STARTUP},
    {L"startmenu", CSIDL_STARTMENU},
    {L"fav", CSIDL_FAVORITES},
    {L"recent", CSIDL_RECENT},
    {L"network", CSIDL_NETHOOD},
    {L"fonts", CSIDL_FONTS},
    {L"cookies", CSIDL_COOKIES},
    {L"history", CSIDL_HISTORY},
    {L"pagetmp", CSIDL_INTERNET_CACHE},
    {L"shellnew", CSIDL_TEMPLATES},
    {L"appdata", CSIDL_APPDATA},
    {L"printhood", CSIDL_PRINTHOOD},
};

// These calls return the length without the NUL when the path fits, and the size the path needs
// (NUL included, so never less than the buffer) when it does not; 0 is a failure.
std::wstring KernelFolderPath(DirectoryCall call) {
    auto path = win::GrowToFit<char>(
        [&](char* buffer, std::size_t capacity) { return call(buffer, static_cast<UINT>(capacity)); },
        kFirstBufferSize, kLargestPath);
    if (!path) return {};
    return win::FromAnsi(*path);
}

std::wstring ShellFolderPath(int csidl) {
    PIDLIST_ABSOLUTE list = nullptr;
    HRESULT hr = ::SHGetSpecialFolderLocation(nullptr, csidl, &list);
    // The item list is the caller's to free.
    win::UniqueCoTaskMem owner(list);
    if (FAILED(hr) || !list) return {};
    // The call writes up to MAX_PATH bytes; the extra byte keeps a NUL behind them whatever happens.
    std::array<char, MAX_PATH + 1> buffer{};
    if (!::SHGetPathFromIDListA(list, buffer.data())) return {};
    // Wine reports success for a path that needs more bytes than that and leaves it cut, unterminated.
    std::string_view path(buffer.data());
    if (path.size() >= MAX_PATH) return {};
    return win::FromAnsi(path);
}

}  // namespace

std::wstring GetSpecialFolderPath(const std::wstring& keyword) {
    try {
        std::wstring lower = keyword;
        if (!lower.empty()) ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
        for (const KernelFolder& folder : kKernelFolders) {
            if (lower == folder.keyword) return KernelFolderPath(folder.call);
        }
        for (const ShellFolder& folder : kShellFolders) {
            if (lower == folder.keyword) return ShellFolderPath(folder.csidl);
        }
        return {};
    } catch (...) {
        return {};
    }
}

}  // namespace services
