// The built installer, run silently as a shop would: the files, shortcuts, uninstall entry and
// per-user registration it leaves; the installed program and support library at work; an upgrade
// over it and its removal, both keeping the operator's config.ini.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "tests/support/Registry.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/ComPtr.h"
#include "win/UniqueResource.h"

using namespace testing_support;
using workflow::StandinScenario;
using workflow::WaitUntil;

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LabelPrint";
constexpr const wchar_t* kProgIds[] = {L"LabelSupport.Radix", L"LabelSupport.CodeTrans", L"LabelSupport.Wait"};
constexpr const wchar_t* kScripts[] = {L"RadixScriptTest", L"CodeTransScriptTest", L"WaitScriptTest"};

// A path the build passed as "Z:/unix/path", as Windows writes it.
std::wstring WindowsPath(const char* buildPath) {
    std::wstring path = FromUtf8(buildPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring InstallFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\标签打印"; }
std::wstring StartMenuShortcut() { return KnownFolder(CSIDL_PROGRAMS) + L"\\标签打印.lnk"; }
std::wstring DesktopShortcut() { return KnownFolder(CSIDL_DESKTOPDIRECTORY) + L"\\标签打印.lnk"; }

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t longA[MAX_PATH * 2] = {}, longB[MAX_PATH * 2] = {};
    if (!::GetLongPathNameW(a.c_str(), longA, MAX_PATH * 2)) return false;
    if (!::GetLongPathNameW(b.c_str(), longB, MAX_PATH * 2)) return false;
    return ::lstrcmpiW(longA, longB) == 0;
}

// Runs a program and waits for it; its exit code. Its output goes to `output` when one is given.
DWORD RunProgram(std::wstring commandLine, const std::wstring& output = {}) {
    STARTUPINFOW startup{sizeof startup};
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    win::UniqueFile outputFile;
    if (!output.empty()) {
        outputFile.reset(::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0,
                                       nullptr));
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = outputFile.get();
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, !output.empty(), 0, nullptr, nullptr,
                          &startup, &process))
        return ~0u;
    win::UniqueHandle thread(process.hThread), running(process.hProcess);
    if (::WaitForSingleObject(running.get(), 90000) != WAIT_OBJECT_0) return ~0u;
    DWORD code = ~0u;
    ::GetExitCodeProcess(running.get(), &code);
    return code;
}

std::wstring SystemProgram(bool x86, const wchar_t* name) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + (x86 ? L"\\SysWOW64\\" : L"\\System32\\") + name;
}

DWORD RunSetup() { return RunProgram(L"\"" + WindowsPath(LABELPRINT_SETUP) + L"\" /S"); }

// The uninstaller hands its work to a copy of itself in %TEMP% and returns at once; its last step
// removes the uninstall entry.
bool RunUninstaller() {
    if (RunProgram(L"\"" + InstallFolder() + L"\\uninstall.exe\" /S") != 0) return false;
    return WaitUntil([] { return !RegistryKeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 60000, 50);
}

// Where a shortcut leads and where it starts the program.
struct ShortcutFacts {
    std::wstring target, folder;
};
std::optional<ShortcutFacts> ReadShortcut(const std::wstring& path) {
    win::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return std::nullopt;
    auto file = link.As<IPersistFile>();
    if (!file || FAILED(file->Load(path.c_str(), STGM_READ))) return std::nullopt;
    wchar_t target[MAX_PATH * 2] = {}, folder[MAX_PATH * 2] = {};
    link->GetPath(target, MAX_PATH * 2, nullptr, 0);
    link->GetWorkingDirectory(folder, MAX_PATH * 2);
    return ShortcutFacts{target, folder};
}

// The class id the user's registration gives a ProgID.
std::wstring UserClassId(const wchar_t* progId) {
    return RegistryText(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\") + progId + L"\\CLSID").value_or(L"");
}

// Windows looks a class up in the user's classes before the machine's; Wine's COM reads only the
// machine's. The test plays Windows' part by copying what the user's registration wrote (the class
// names, both bitnesses' class keys and the type library) into the machine's classes, where
// 32-bit callers find Wow6432Node\CLSID and 64-bit callers CLSID as they would under HKCU.
void OfferUserRegistrationToWinesCom() {
    std::vector<std::wstring> keys;
    std::wstring libraryId;
    for (const wchar_t* progId : kProgIds) {
        const std::wstring clsid = UserClassId(progId);
        keys.push_back(progId);
        keys.push_back(L"CLSID\\" + clsid);
        keys.push_back(L"Wow6432Node\\CLSID\\" + clsid);
        libraryId = RegistryText(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + clsid + L"\\TypeLib").value_or(L"");
    }
    keys.push_back(L"TypeLib\\" + libraryId);
    for (const std::wstring& key : keys) {
        SCOPED_TRACE(testing::Message() << Utf8(key));
        const std::wstring path = L"Software\\Classes\\" + key;
        win::UniqueRegKey from, to;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, from.put()), ERROR_SUCCESS);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.put(),
                                    nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegCopyTreeW(from.get(), nullptr, to.get()), ERROR_SUCCESS);
    }
}

// The machine-wide registration of this build's DLLs, as tools/prepare-prefix.sh leaves the prefix
// for the other tests.
void RegisterBuildMachineWide() {
    RunProgram(L"\"" + SystemProgram(false, L"regsvr32.exe") + L"\" /s \"" + BinFolder() + L"\\labelsupport.dll\"");
    RunProgram(L"\"" + SystemProgram(true, L"regsvr32.exe") + L"\" /s \"" + WindowsPath(LABELSUPPORT_X86_DLL) + L"\"");
}

win::UniqueHandle ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    const DWORD access = SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;
    return win::UniqueHandle(::OpenProcess(access, FALSE, pid));
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!::QueryFullProcessImageNameW(process, 0, path, &size)) return {};
    return path;
}

// Ends a program a failed test left running: closed the operator's way, killed if that hangs.
void EndRunningProgram() {
    while (HWND window = ::FindWindowW(nullptr, app::kWindowCaption)) {
        win::UniqueHandle process = ProcessOf(window);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (process && ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0) continue;
        if (process) ::TerminateProcess(process.get(), 99);
        workflow::EndStrayStandins();
        if (!process || ::WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) break;
    }
}

// The settings an operator left, in the ANSI code page as the program writes them.
std::string OperatorSettings() {
    return Gbk(L"[settings]\r\n查询列=7\r\n[DATA]\r\nDB=D:\\出货\\五月清单.xlsx\r\nTP=D:\\标签\\箱标.btw\r\n"
               L"[print]\r\nprinter=仓库标签机\r\n");
}

class InstallTest : public ::testing::Test {
protected:
    // The installer is a 32-bit program, as NSIS builds them.
    void SetUp() override {
        if (!MachineRuns32BitPrograms()) GTEST_SKIP() << "this machine runs no 32-bit programs";
        RemoveInstallation();
    }
    void TearDown() override {
        if (MachineRuns32BitPrograms()) RemoveInstallation();
    }

    // Whatever an earlier run left: the uninstaller if it is there, then by hand.
    static void RemoveInstallation() {
        EndRunningProgram();
        const std::wstring folder = InstallFolder();
        if (Exists(folder + L"\\uninstall.exe")) RunUninstaller();
        RemoveTree(folder);
        ::DeleteFileW(StartMenuShortcut().c_str());
        ::DeleteFileW(DesktopShortcut().c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    }

    win::ComApartment com;
};

TEST_F(InstallTest, SilentInstallPutsTheProgramItsShortcutsAndItsEntryInPlaceAndRegistersBothDllsForTheUser) {
    ASSERT_EQ(RunSetup(), 0u);
    const std::wstring folder = InstallFolder();
    for (const wchar_t* file : {L"labelprint.exe", L"x64\\labelsupport.dll", L"x86\\labelsupport.dll",
                                L"help\\index.html", L"help\\window.png", L"uninstall.exe"}) {
        EXPECT_TRUE(Exists(folder + L"\\" + file)) << Utf8(file);
    }
    EXPECT_EQ(ReadBytes(folder + L"\\config.ini"),
              Gbk(L"[settings]\r\n查询列=1\r\n[DATA]\r\nDB=\r\nTP=\r\n[print]\r\nprinter=\r\n"))
        << "a first installation starts with every key the operator may set";

    for (const std::wstring& shortcut : {StartMenuShortcut(), DesktopShortcut()}) {
        SCOPED_TRACE(testing::Message() << Utf8(shortcut));
        auto facts = ReadShortcut(shortcut);
        ASSERT_TRUE(facts);
        EXPECT_TRUE(SamePath(facts->target, folder + L"\\labelprint.exe"));
        EXPECT_TRUE(SamePath(facts->folder, folder));
    }

    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"), L"标签打印");
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"), FromUtf8(LABELPRINT_VERSION));
    EXPECT_TRUE(SamePath(RegistryText(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation").value_or(L""), folder));
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, L"UninstallString"), L"\"" + folder + L"\\uninstall.exe\"");
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"),
              L"\"" + folder + L"\\uninstall.exe\" /S");

    for (const wchar_t* progId : kProgIds) {
        SCOPED_TRACE(testing::Message() << Utf8(progId));
        const std::wstring clsid = UserClassId(progId);
        ASSERT_FALSE(clsid.empty());
        const std::wstring server64 = L"Software\\Classes\\CLSID\\" + clsid + L"\\InprocServer32";
        const std::wstring server32 = L"Software\\Classes\\Wow6432Node\\CLSID\\" + clsid + L"\\InprocServer32";
        EXPECT_TRUE(SamePath(RegistryText(HKEY_CURRENT_USER, server64).value_or(L""), folder + L"\\x64\\labelsupport.dll"));
        EXPECT_TRUE(SamePath(RegistryText(HKEY_CURRENT_USER, server32).value_or(L""), folder + L"\\x86\\labelsupport.dll"));
        EXPECT_FALSE(SamePath(RegistryText(HKEY_LOCAL_MACHINE, server64).value_or(L""), folder + L"\\x64\\labelsupport.dll"))
            << "nothing is registered for the whole machine";
    }
}

TEST_F(InstallTest, TheScriptTestsPassAgainstTheInstalledSupportLibraryInBothScriptHosts) {
    ASSERT_EQ(RunSetup(), 0u);
    struct Restore {
        ~Restore() { RegisterBuildMachineWide(); }
    } restore;
    OfferUserRegistrationToWinesCom();
    TempDir scratch(L"install-scripts");
    for (bool x86 : {false, true}) {
        for (const wchar_t* script : kScripts) {
            SCOPED_TRACE(testing::Message() << (x86 ? "SysWOW64" : "System32") << " cscript " << Utf8(script));
            const std::wstring output = scratch / L"output.txt";
            RunProgram(L"\"" + SystemProgram(x86, L"cscript.exe") + L"\" //nologo \"" + WindowsPath(SCRIPT_TESTS_DIR) +
                    L"\\" + script + L".vbs\"",
                output);
            // cscript ends with status 0 even when a script stops on an error: only the summary counts.
            const std::string text = ReadBytes(output);
            EXPECT_TRUE(std::regex_search(text, std::regex("[1-9][0-9]* passed, 0 failed"))) << text;
        }
    }
}

TEST_F(InstallTest, TheInstalledProgramStartsFromItsShortcutReadsItsSettingsAndOpensTheInstalledHelpPage) {
    StandinScenario bartender{L"BarTender"};
    StandinScenario browser{L"Browser"};
    ASSERT_EQ(RunSetup(), 0u);
    const std::wstring folder = InstallFolder();
    WriteBytes(folder + L"\\config.ini", OperatorSettings());

    // Started the operator's way; the shortcut leads to the installed program.
    ASSERT_GT(reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", StartMenuShortcut().c_str(), nullptr,
                                                        nullptr, SW_SHOWNORMAL)),
              32);
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        window = ::FindWindowW(nullptr, app::kWindowCaption);
        return window && ::IsWindowVisible(window) && ::GetDlgItem(window, app::ExitButton);
    }));
    win::UniqueHandle process = ProcessOf(window);
    ASSERT_TRUE(process);
    EXPECT_TRUE(SamePath(ImagePath(process.get()), folder + L"\\labelprint.exe"));

    auto text = [&](int id) {
        wchar_t buffer[512] = {};
        ::SendMessageTimeoutW(::GetDlgItem(window, id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer),
                              SMTO_ABORTIFHUNG, 5000, nullptr);
        return std::wstring(buffer);
    };
    EXPECT_EQ(text(app::KeyColumnCaption), L"查询列7:");
    EXPECT_EQ(text(app::WorkbookBox), L"D:\\出货\\五月清单.xlsx");
    EXPECT_EQ(text(app::TemplateBox), L"D:\\标签\\箱标.btw");

    HWND statusLine = ::GetDlgItem(window, app::StatusLine);
    ::PostMessageW(statusLine, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(statusLine, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return !browser.RawLog().empty(); }));
    const std::wstring opened = FromUtf8(browser.RawLog());
    EXPECT_TRUE(SamePath(opened.substr(0, opened.find(L'\n')), folder + L"\\help\\index.html")) << Utf8(opened);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadBytes(folder + L"\\config.ini"), OperatorSettings()) << "starting and closing writes nothing";
}

TEST_F(InstallTest, SilentReinstallKeepsTheOperatorsSettings) {
    ASSERT_EQ(RunSetup(), 0u);
    const std::wstring folder = InstallFolder();
    WriteBytes(folder + L"\\config.ini", OperatorSettings());
    ::DeleteFileW((folder + L"\\help\\index.html").c_str());

    ASSERT_EQ(RunSetup(), 0u);
    EXPECT_EQ(ReadBytes(folder + L"\\config.ini"), OperatorSettings());
    EXPECT_TRUE(Exists(folder + L"\\help\\index.html")) << "the program's own files are put back";
    EXPECT_TRUE(Exists(StartMenuShortcut()));
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_FALSE(UserClassId(L"LabelSupport.Radix").empty());
}

TEST_F(InstallTest, SilentUninstallRemovesEverythingButTheOperatorsSettings) {
    ASSERT_EQ(RunSetup(), 0u);
    const std::wstring folder = InstallFolder();
    WriteBytes(folder + L"\\config.ini", OperatorSettings());
    std::vector<std::wstring> classKeys;
    for (const wchar_t* progId : kProgIds) {
        const std::wstring clsid = UserClassId(progId);
        classKeys.push_back(std::wstring(L"Software\\Classes\\") + progId);
        classKeys.push_back(L"Software\\Classes\\CLSID\\" + clsid);
        classKeys.push_back(L"Software\\Classes\\Wow6432Node\\CLSID\\" + clsid);
    }
    const auto libraryId = RegistryText(HKEY_CURRENT_USER, classKeys[1] + L"\\TypeLib");
    ASSERT_TRUE(libraryId);

    ASSERT_TRUE(RunUninstaller());
    std::vector<std::wstring> left;
    WIN32_FIND_DATAW entry;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find) {
        do {
            if (entry.cFileName != std::wstring(L".") && entry.cFileName != std::wstring(L".."))
                left.push_back(entry.cFileName);
        } while (::FindNextFileW(find.get(), &entry));
    }
    EXPECT_EQ(left, std::vector<std::wstring>{L"config.ini"});
    EXPECT_EQ(ReadBytes(folder + L"\\config.ini"), OperatorSettings());
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    EXPECT_FALSE(Exists(DesktopShortcut()));
    for (const std::wstring& key : classKeys) EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key)) << Utf8(key);
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\TypeLib\\" + *libraryId));
}

}  // namespace
