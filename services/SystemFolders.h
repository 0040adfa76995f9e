#pragma once
// System and shell folders looked up by a short keyword.
#include <string>

namespace services {

// The path of the folder a keyword names, or empty text.
//   "win" Windows folder, "sys" system folder, "tmp" temporary files;
//   shell folders: "desktop", "sendto", "mydoc", "programs", "startup", "startmenu", "fav", "recent",
//   "network", "fonts", "cookies", "history", "pagetmp", "shellnew", "appdata", "printhood".
// The keyword is lower-cased the way the system does it but not trimmed, so "DeskTop" names the
// desktop and " desktop" names nothing. The path comes back exactly as the system gives it: no
// backslash is added or removed ("tmp" ends in one, "win" does not). Unknown keywords and failing
// services give empty text; nothing is thrown.
// Long paths: "win", "sys" and "tmp" are returned whole however long they are (the classic 255-byte
// buffer is grown as needed). The ANSI shell call cannot report a folder longer than MAX_PATH; such a
// shell folder gives empty text.
std::wstring GetSpecialFolderPath(const std::wstring& keyword);

}  // namespace services
