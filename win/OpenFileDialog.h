#pragma once
// The system's open-file dialog, used the way a form's common-dialog control is: a file type list in
// "description|pattern|description|pattern" notation and a title, shown modally for opening a file.
// No initial folder, no default extension and no option flags are set.
#include <windows.h>

#include <string>

namespace win {

class OpenFileDialog {
public:
    enum class Outcome { Chosen, Cancelled, Failed };
    struct Result {
        Outcome outcome;
        std::wstring path;  // the full path when a file was chosen
    };

    std::wstring Filter;
    std::wstring DialogTitle;

    // Failed covers a dialog that could not be shown or could not deliver the chosen path.
    Result ShowOpen(HWND owner) const;
};

// "a|b|c|d" as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring FilterPairs(const std::wstring& filter);

}  // namespace win
