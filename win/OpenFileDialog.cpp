#include "win/OpenFileDialog.h"

#include <commdlg.h>

#include <vector>

namespace win {

namespace {
// Room for the longest path Windows knows (32,767 characters), so a deep folder never fails the dialog.
constexpr DWORD kPathBuffer = 32768;
}  // namespace

std::wstring FilterPairs(const std::wstring& filter) {
    std::wstring pairs = filter;
    for (wchar_t& c : pairs)
        if (c == L'|') c = L'\0';
    pairs.push_back(L'\0');
    pairs.push_back(L'\0');
    return pairs;
}

OpenFileDialog::Result OpenFileDialog::ShowOpen(HWND owner) const {
    std::wstring filter = FilterPairs(Filter);
    std::vector<wchar_t> path(kPathBuffer, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = kPathBuffer;
    ofn.lpstrTitle = DialogTitle.c_str();
    if (::GetOpenFileNameW(&ofn)) return {Outcome::Chosen, path.data()};
    // No extended error means the operator cancelled; anything else (a path that did not fit
    // included) means the dialog could not deliver one.
    return {::CommDlgExtendedError() == 0 ? Outcome::Cancelled : Outcome::Failed, {}};
}

}  // namespace win
