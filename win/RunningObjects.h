#pragma once
// The running-object table of this PC: what applications say they have open.
#include <string>
#include <vector>

namespace win {

// The display names of the file monikers registered in the running-object table: the documents that
// applications on this PC have open (Office applications register each document they open). Empty when
// the table cannot be read.
std::vector<std::wstring> RunningFiles();

}  // namespace win
