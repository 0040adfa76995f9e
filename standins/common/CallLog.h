#pragma once
// The call log of a stand-in: one JSON object per line, UTF-8, appended to the file named by the
// server's "LogFile" setting. Tests read it to assert the exact sequence of automation calls.
//
//   {"server":"BarTender","class":"BarTender.Application","pid":332,"object":"Application",
//    "member":"Version","kind":"get","args":[],"result":"BSTR:10.1","hr":"0x00000000","error":"",
//    "t0":1234,"t1":1240}
//
// "server" names the settings (Excel, BarTender); "class" is the class name the process was started
// for (the Excel stand-in also answers to WPS's "KET.Application" and "ET.Application"); "pid" tells
// the processes apart. Values are typed texts: "BSTR:abc", "I2:1", "I4:5", "BOOL:true", "R8:1.5",
// "EMPTY", "NULL", "ERROR:2042", "DISPATCH", "ARRAY:3x20". "kind" is get, put or call for a call that
// returned; refused for a call turned away as busy (see BusyFilter.h); hung for a call that arrived
// and will never return (the switch HangAt; logged as it starts, hr 0x8000000A). "error" is the
// description of a failed call. t0/t1 are microseconds of the system's performance counter.
#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct CallRecord {
    std::wstring object, member;
    const char* kind = "call";
    std::vector<std::string> args;  // typed texts
    std::string result;             // a typed text; empty for puts and failed calls
    HRESULT hr = S_OK;
    std::wstring error;
    long long t0 = 0, t1 = 0;
};

std::string TypedText(const VARIANT& value);
// Text quoted and escaped for JSON, as UTF-8.
std::string JsonString(std::wstring_view text);

// Microseconds of the performance counter, comparable across processes.
long long NowMicroseconds();

// The class name the process serves, written into every line; set once as the server starts.
void SetLoggedClass(std::wstring progId);

// Appends the call to the log of the server's "LogFile" setting; nothing when it is unset.
void LogCall(const std::wstring& server, const CallRecord& call);

// Appends one line to a file, which is opened for that line only, so that a test may delete or
// truncate it between scenarios; false when it cannot be written.
bool AppendLine(const std::wstring& path, const std::string& line);

}  // namespace standin
