#pragma once
// The process of a server instance the program started itself, so that it can be ended when a call into
// it is stuck behind a dialog nobody can answer. It is found exactly, never by name alone:
//   - by a window the instance reports as its own (Excel's Application.Hwnd), or
//   - as the one process of the class's registered server program that started while the program was
//     creating the instance.
// A process that was already running when the program asked for the instance is never taken: it may be
// the operator's own.
#include <windows.h>

#include <string>

#include "win/UniqueResource.h"

namespace win {

class ServerProcess {
public:
    ServerProcess() = default;

    // The moment before the program asks for an instance, and where the class's server program lives.
    class Creation {
    public:
        explicit Creation(const wchar_t* progId);
        // The process of the window's thread, when it started after this creation began.
        ServerProcess OwnerOf(HWND window) const;
        // The one process of the server program that started after this creation began; none when there
        // is no such process or more than one.
        ServerProcess Started() const;

    private:
        bool StartedSince(HANDLE process) const noexcept;

        FILETIME askedAt_{};
        std::wstring serverProgram_;  // full path of the class's local server, empty when unknown
    };

    bool known() const noexcept { return static_cast<bool>(process_); }
    // Ends the process and waits a moment for it to be gone; true when it has ended.
    bool End() noexcept;

private:
    explicit ServerProcess(UniqueHandle process) noexcept : process_(std::move(process)) {}

    // Held from the moment the process was found, so that its id can never name another process later.
    UniqueHandle process_;
};

}  // namespace win
