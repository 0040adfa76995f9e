#pragma once
// The settings file: single values of an INI file, read and written through the ANSI profile-string
// functions so the file stays in the system code page (GBK on Chinese systems) for older tools.
#include <string>

namespace services {

// The program's settings file: config.ini in the executable's folder. No other folder is searched.
std::wstring SettingsFilePath();

// The value of key in section, or empty text when the file, section or key is missing.
// NULs are removed; values of any length are read whole. Never fails.
std::wstring ReadIni(const std::wstring& section, const std::wstring& key, const std::wstring& file);

// Stores value under key, creating the file, section and key as needed. A failed write is not reported.
// Characters the code page lacks are stored as its substitutes (see IniCanHold).
void WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value,
              const std::wstring& file);

// ReadIni and WriteIni on the program's settings file.
std::wstring ReadSetting(const std::wstring& section, const std::wstring& key);
void WriteSetting(const std::wstring& section, const std::wstring& key, const std::wstring& value);

// True when the settings file stores text exactly, so that ReadIni gives it back unchanged: every
// character is one the ANSI code page holds.
bool IniCanHold(const std::wstring& text);

}  // namespace services
