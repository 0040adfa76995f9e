// Stand-in for the Excel automation server ("Excel.Application"), for tests and the demo. It reads
// .xlsx workbooks into memory and answers the members a shipping-list lookup uses, with Excel's
// semantics (see ExcelObjects.h); the only file it changes is a workbook Close(True) saves.
//
//   excel-standin.exe /regserver | /unregserver | -Embedding | /serve    as every stand-in
//   excel-standin.exe /class:KET | /class:ET  -Embedding                   started by COM for WPS's
//       spreadsheet class names "KET.Application" (current WPS) and "ET.Application" (older WPS), which
//       /regserver registers too, each with a class id of its own; the process serves that class only
//       and is the same Excel in every other way (switches, log, server name "Excel"); the log's
//       "class" tells which class answered
//   excel-standin.exe /operator [ready-file]                                 an Excel the operator
//       started by hand, found through the running-object table (see OperatorMode.h)
//
// Scenario switches, under HKCU\Software\LabelPrint\Standins\Excel, read at every call:
//   LogFile       REG_SZ  the call log (one JSON line per call)
//   RefuseCreate  DWORD   1: COM cannot create the application object
//   OpenFails     DWORD   1: Workbooks.Open fails with error 1004 (0x800A03EC) even for a good file
//   ResizeFails   DWORD   1: Range.Resize, the call that sizes the block to copy, fails with error 1004
//   FailMembers   REG_SZ  Object.Member names, separated by commas, that fail with error 1004, e.g.
//                         "Worksheet.Select,Workbook.Close"; objects are Application, Workbooks,
//                         Workbook, Worksheet and Range
//   SlowAt        REG_SZ  Object.Member names whose calls take SlowMs milliseconds (at most 60000)
//   SlowMs        DWORD   before they do their work, e.g. "Workbooks.Open"
//   DieAt         REG_SZ  Object.Member names: the process ends abruptly inside the first such call
//   HangAt        REG_SZ  Object.Member names: the first such call never returns, and the server
//                         answers nothing more until its process is ended; "Application.Create" hangs
//                         the creation of the application object (see DispatchObject.cpp)
//   BusyForMs     DWORD   refuse calls as busy for this many milliseconds; BusyAfter and BusyAnswer
//                         say when the spell starts and how calls are refused (see BusyFilter.h)
//   OperatorWorkbook REG_SZ  a workbook the operator's instance has open, with unsaved changes, from
//                         its start (see OperatorMode.h)
#include <windows.h>

#include "standins/common/LocalServer.h"
#include "standins/excel/ExcelObjects.h"
#include "standins/excel/OperatorMode.h"

namespace {
// {A271ECCF-590B-4EF1-851E-EF42308600FF}: the stand-in's own class id.
constexpr CLSID kClsid = {0xa271eccf, 0x590b, 0x4ef1, {0x85, 0x1e, 0xef, 0x42, 0x30, 0x86, 0x00, 0xff}};
// {7CF8CA1D-A0B6-4600-8F46-E25A16AFE679}: its class id as "KET.Application".
constexpr CLSID kKetClsid = {0x7cf8ca1d, 0xa0b6, 0x4600, {0x8f, 0x46, 0xe2, 0x5a, 0x16, 0xaf, 0xe6, 0x79}};
// {4175C692-BE5B-423F-8691-4EF4660A3196}: its class id as "ET.Application".
constexpr CLSID kEtClsid = {0x4175c692, 0xbe5b, 0x423f, {0x86, 0x91, 0x4e, 0xf4, 0x66, 0x0a, 0x31, 0x96}};
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    standin::ServerInfo info{L"Excel.Application", kClsid, L"Excel stand-in (tests and demo)", standin::kExcel,
                             standin::kExcelError, [] { return standin::NewExcelApplication(false); }, nullptr};
    info.otherClasses = {{L"KET.Application", kKetClsid, L"Excel stand-in as WPS spreadsheet (tests and demo)"},
                         {L"ET.Application", kEtClsid, L"Excel stand-in as older WPS spreadsheet (tests and demo)"}};
    info.extraMode = [&info](const std::wstring& line, int& exitCode) {
        return standin::RunOperatorMode(info, line, exitCode);
    };
    return standin::LocalServer::Run(info, commandLine ? commandLine : L"");
}
