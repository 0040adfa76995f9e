#include "standins/common/CallLog.h"

#include <windows.h>

#include <cstdio>

#include "standins/common/StandinConfig.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

std::wstring g_loggedClass;

std::string Json(std::string_view utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

}  // namespace

std::string JsonString(std::wstring_view text) { return Json(win::ToUtf8(text)); }

std::string TypedText(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_EMPTY: return "EMPTY";
        case VT_NULL: return "NULL";
        case VT_BSTR: return "BSTR:" + win::ToUtf8(std::wstring_view(V_BSTR(&v), ::SysStringLen(V_BSTR(&v))));
        case VT_I2: return "I2:" + std::to_string(V_I2(&v));
        case VT_I4: return "I4:" + std::to_string(V_I4(&v));
        case VT_UI1: return "UI1:" + std::to_string(V_UI1(&v));
        case VT_BOOL: return V_BOOL(&v) ? "BOOL:true" : "BOOL:false";
        case VT_R8: return Printed("R8:%.17g", V_R8(&v));
        case VT_R4: return Printed("R4:%.9g", V_R4(&v));
        case VT_DATE: return Printed("DATE:%.17g", V_DATE(&v));
        case VT_ERROR: return "ERROR:" + std::to_string(V_ERROR(&v) & 0xFFFF);
        case VT_DISPATCH: return V_DISPATCH(&v) ? "DISPATCH" : "DISPATCH:null";
        case VT_UNKNOWN: return "UNKNOWN";
    }
    if (!(V_VT(&v) & VT_ARRAY) || !V_ARRAY(&v)) return "VT:" + std::to_string(V_VT(&v));
    std::string out = "ARRAY:";
    for (UINT d = 1; d <= ::SafeArrayGetDim(V_ARRAY(&v)); ++d) {
        LONG lower = 0, upper = -1;
        ::SafeArrayGetLBound(V_ARRAY(&v), d, &lower);
        ::SafeArrayGetUBound(V_ARRAY(&v), d, &upper);
        out += (d > 1 ? "x" : "") + std::to_string(upper - lower + 1);
    }
    return out;
}

long long NowMicroseconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

void SetLoggedClass(std::wstring progId) { g_loggedClass = std::move(progId); }

void LogCall(const std::wstring& server, const CallRecord& call) {
    std::wstring path = ConfigString(server, L"LogFile");
    if (path.empty()) return;
    char hr[16];
    std::snprintf(hr, sizeof(hr), "0x%08lX", static_cast<unsigned long>(call.hr));
    std::string line = "{\"server\":" + JsonString(server) + ",\"class\":" + JsonString(g_loggedClass) +
                       ",\"pid\":" + std::to_string(::GetCurrentProcessId()) +
                       ",\"object\":" + JsonString(call.object) + ",\"member\":" + JsonString(call.member) +
                       ",\"kind\":\"" + call.kind + "\",\"args\":[";
    for (std::size_t i = 0; i < call.args.size(); ++i) line += (i ? "," : "") + Json(call.args[i]);
    line += "],\"result\":" + Json(call.result) + ",\"hr\":\"" + hr + "\",\"error\":" + JsonString(call.error) +
            ",\"t0\":" + std::to_string(call.t0) + ",\"t1\":" + std::to_string(call.t1) + "}";
    AppendLine(path, line);
}

bool AppendLine(const std::wstring& path, const std::string& line) {
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text = line + "\n";
    DWORD written = 0;
    return file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace standin
