#pragma once
// Reading the registry as the registration and installer tests check it.
#include <windows.h>

#include <optional>
#include <string>

namespace testing_support {

// A string value as it is stored (nullptr: the key's default value); none when the key or value is missing.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);

bool RegistryKeyExists(HKEY root, const std::wstring& key);

}  // namespace testing_support
