// Stand-in for the BarTender automation server ("BarTender.Application"), for tests and the demo. It
// opens label templates of its own text format read-only (see LabelTemplate.h), answers the members a
// label print uses, and "prints" by appending a record to a print log and drawing the label as a PNG
// picture; it never writes a template.
//
//   bartender-standin.exe /regserver | /unregserver | -Embedding | /serve    as every stand-in
//
// Its objects and members are listed in BarTenderObjects.h.
//
// Scenario switches, under HKCU\Software\LabelPrint\Standins\BarTender, read at every call:
//   LogFile        REG_SZ  the call log (one JSON line per call)
//   RefuseCreate   DWORD   1: COM cannot create the application object
//   Version        REG_SZ  what Application.Version answers (default "10.1")
//   VersionFails   DWORD   1: reading Application.Version fails
//   OpenFails      DWORD   1: Formats.Open fails even for a good template
//   PrintOutFails  DWORD   1: Format.PrintOut fails; nothing is logged or drawn
//   DieInPrintOut  DWORD   1: the server process ends abruptly inside Format.PrintOut, before it
//                          answers; the client's call fails with an RPC error
//   DieAt          REG_SZ  Object.Member names, e.g. "Formats.Open": the process ends abruptly inside
//                          the first such call; the switch is removed as it fires (see DispatchObject)
//   HangAt         REG_SZ  Object.Member names: the first such call never returns, as a call stuck
//                          behind a dialog nobody sees, and the server answers nothing more until its
//                          process is ended; "Application.Create" hangs the creation of the application
//                          object (BarTender stuck at start-up); removed as it fires
//   FailMembers    REG_SZ  Object.Member names that fail with the stand-in's error 0x80040200
//   SlowAt         REG_SZ  Object.Member names whose calls take SlowMs milliseconds (at most 60000)
//   SlowMs         DWORD   before they do their work, e.g. "Format.PrintOut"
//   BusyForMs      DWORD   refuse calls as busy for this many milliseconds; BusyAfter and BusyAnswer
//                          say when the spell starts and how calls are refused (see BusyFilter.h)
//   PrintLog       REG_SZ  the print log: one JSON line per PrintOut (see PrintOutput.h); none when unset
//   OutputFolder   REG_SZ  full path of the folder for the label pictures (label-0001.png, ...), created
//                          when missing; no pictures when unset
#include <windows.h>

#include "standins/bartender/BarTenderObjects.h"
#include "standins/common/LocalServer.h"

namespace {
// {3EB93486-E727-4135-974A-D1E2F37D1107}: the stand-in's own class id.
constexpr CLSID kClsid = {0x3eb93486, 0xe727, 0x4135, {0x97, 0x4a, 0xd1, 0xe2, 0xf3, 0x7d, 0x11, 0x07}};
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    standin::ServerInfo info{L"BarTender.Application", kClsid, L"BarTender stand-in (tests and demo)",
                             standin::kBarTender, standin::kBarTenderError, standin::NewBarTenderApplication, nullptr};
    return standin::LocalServer::Run(info, commandLine ? commandLine : L"");
}
