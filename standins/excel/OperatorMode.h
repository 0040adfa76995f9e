#pragma once
// "excel-standin.exe /operator [ready-file]": an Excel the operator started by hand and left running.
//
// The instance creates its application object (visible, as a started Excel is), registers it in the
// running-object table under the stand-in's class id, so that attaching to a running Excel finds it,
// and then signals that it is ready: it sets the named event kOperatorReadyEvent and, when a file
// name follows /operator, creates that file. When the switch
// "OperatorWorkbook" names a workbook, the instance has it open from the start, with changes the
// operator has not saved (Workbook.Saved is False). It runs until its stop event
// (LocalServer::StopEventName, "LabelPrintStandin.Excel.Stop") is set, or until a client has called
// Application.Quit and every client has let go of its objects: Quit takes it out of the
// running-object table at once; on the way out it resets the ready event. Like an Excel started by
// hand, it registers no class object: creating "Excel.Application" starts a new server instead.
#include <string>

#include "standins/common/LocalServer.h"

namespace standin {

inline constexpr wchar_t kOperatorReadyEvent[] = L"LabelPrintStandin.Excel.Ready";

// Handles the command line when it asks for the operator's instance; returns false otherwise.
bool RunOperatorMode(const ServerInfo& info, const std::wstring& commandLine, int& exitCode);

}  // namespace standin
