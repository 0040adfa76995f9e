#pragma once
// The call log of a stand-in: one JSON object per line, UTF-8, appended to the file named by the
// server's "LogFile" setting. Tests read it to assert the exact sequence of automation calls.
//
//   {"server":"BarTender","object":"Application","member":"Version","kind":"get","args":[],
//    "result":"BSTR:10.1","hr":"0x00000000","error":"","t0":1234,"t1":1240}
//
// Values are typed texts: "BSTR:abc", "I2:1", "I4:5", "BOOL:true", "R8:1.5", "EMPTY", "ERROR:2042",
// "DISPATCH", "ARRAY:3x20". "error" is the description of a failed call. t0/t1 are microseconds of the
// system's performance counter.
#include <oaidl.h>

#include <string>
#include <vector>

namespace standin {

std::string TypedText(const VARIANT& value);
std::string JsonString(const std::wstring& text);
// Quotes and escapes UTF-8 text for JSON.
std::string JsonUtf8(const std::string& utf8);

// Microseconds of the performance counter, comparable across processes.
long long NowMicroseconds();

// Appends one line (a JSON object without the newline) to the server's log.
void AppendLogLine(const std::wstring& server, const std::string& json);

}  // namespace standin
