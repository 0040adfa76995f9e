#include "services/SettingsFile.h"

#include <windows.h>

#include <algorithm>

#include "win/GrowBuffer.h"
#include "win/ModulePath.h"
#include "win/TextConversion.h"

namespace services {

std::wstring SettingsFilePath() { return win::ExecutableFolder() + L"\\config.ini"; }

namespace {
// The classic buffer size; longer values are read by growing it.
constexpr std::size_t kFirstBufferSize = 255;
// Nothing sensible in a settings file is larger; stop growing there.
constexpr std::size_t kLargestValue = 1u << 22;
}  // namespace

std::wstring ReadIni(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
    try {
        std::string ansiSection = win::ToAnsi(section);
        std::string ansiKey = win::ToAnsi(key);
        std::string ansiFile = win::ToAnsi(file);
        auto value = win::GrowAndRetry<char>(
            [&](char* buffer, std::size_t capacity) -> std::optional<std::size_t> {
                DWORD n = ::GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), "", buffer,
                                                     static_cast<DWORD>(capacity), ansiFile.c_str());
                // A value that filled the buffer may have been cut: try again with more room.
                if (n + 1 >= capacity) return std::nullopt;
                return n;
            },
            kFirstBufferSize, kLargestValue);
        if (!value) return {};
        std::wstring text = win::FromAnsi(*value);
        text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
        return text;
    } catch (...) {
        return {};
    }
}

bool IniCanHold(const std::wstring& text) {
    try {
        return win::FromAnsi(win::ToAnsi(text)) == text;
    } catch (...) {
        return false;
    }
}

void WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value,
              const std::wstring& file) {
    try {
        ::WritePrivateProfileStringA(win::ToAnsi(section).c_str(), win::ToAnsi(key).c_str(),
                                     win::ToAnsi(value).c_str(), win::ToAnsi(file).c_str());
    } catch (...) {
    }
}

std::wstring ReadSetting(const std::wstring& section, const std::wstring& key) {
    return ReadIni(section, key, SettingsFilePath());
}

void WriteSetting(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    WriteIni(section, key, value, SettingsFilePath());
}

}  // namespace services
