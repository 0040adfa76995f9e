#pragma once
// Scenario switches of a stand-in server, kept in the registry of the test/demo prefix under
// HKCU\Software\LabelPrint\Standins\<server>. They are read at every call, so a test can change them
// while a server runs. COM does not pass the client's environment to a server it starts on Windows,
// which is why nothing here comes from the environment.
#include <windows.h>

#include <string>
#include <string_view>

namespace standin {

constexpr wchar_t kConfigRoot[] = L"Software\\LabelPrint\\Standins";

std::wstring ConfigString(const std::wstring& server, const wchar_t* name, const std::wstring& fallback = {});
DWORD ConfigDword(const std::wstring& server, const wchar_t* name, DWORD fallback = 0);
// Names (of switches, sheets, files, printers) compare without regard to case.
bool SameText(std::wstring_view a, std::wstring_view b);
// Whether a list of names (separated by commas, semicolons or blanks) holds the name, in any case.
bool Listed(const std::wstring& list, const std::wstring& name);
// Removes a switch: for the one-shot switches, which the server clears when it acts on them.
void ClearConfig(const std::wstring& server, const wchar_t* name);
// A one-shot list switch (DieAt, HangAt, BusyAfter): whether it names the call ("Object.Member");
// when it does, the whole switch is removed, so it fires once.
bool TakeListed(const std::wstring& server, const wchar_t* name, const std::wstring& call);

}  // namespace standin
