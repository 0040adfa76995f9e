#pragma once
// File checks through the system's directory search.
#include <string>

namespace services {

// Windows file-attribute bits a caller may add to the mask to let such entries count as found.
constexpr int kFindHidden = 2;
constexpr int kFindSystem = 4;
constexpr int kFindVolume = 8;
constexpr int kFindDirectory = 16;

// True when a directory search for path finds at least one entry that the attribute mask admits.
// path is a search pattern: * and ? match as in the system's search, so "D:\labels\*.btw" asks for
// any template in that folder. With the mask 0 only ordinary files count (read-only and archive ones
// included); an entry that is hidden, system, a volume label or a folder counts only when every one of
// those bits it carries is in the mask ("." and ".." need the directory bit). Entries that do not
// count are skipped and the search goes on.
// A path with characters the ANSI code page cannot hold is no pattern: the search takes ANSI names and
// would see '?' wildcards in their place, so such a path is looked up as that one entry by its Unicode
// name (the same mask applies; a wildcard in it finds nothing).
// Empty text is False without any search; every failure (malformed path, missing drive) is False and
// nothing is thrown.
bool FileExists(const std::wstring& path, int attributes = 0);

}  // namespace services
