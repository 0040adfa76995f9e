#include "standins/common/CallLog.h"

#include <windows.h>

#include <cstdio>

#include "standins/common/StandinConfig.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"
#include "win/Variant.h"

namespace standin {

std::string JsonString(const std::wstring& text) { return JsonUtf8(win::ToUtf8(text)); }

std::string JsonUtf8(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof(esc), "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string TypedText(const VARIANT& value) {
    VARIANT local;
    ::VariantInit(&local);
    const VARIANT* v = &value;
    // Script clients pass variables by reference.
    if ((V_VT(&value) & VT_BYREF) && SUCCEEDED(::VariantCopyInd(&local, const_cast<VARIANT*>(&value)))) v = &local;
    std::string out;
    char buffer[64];
    switch (V_VT(v)) {
        case VT_EMPTY: out = "EMPTY"; break;
        case VT_NULL: out = "NULL"; break;
        case VT_BSTR: {
            BSTR s = V_BSTR(v);
            out = "BSTR:" + win::ToUtf8(s ? std::wstring_view(s, ::SysStringLen(s)) : std::wstring_view());
            break;
        }
        case VT_I2: out = "I2:" + std::to_string(V_I2(v)); break;
        case VT_I4: out = "I4:" + std::to_string(V_I4(v)); break;
        case VT_UI1: out = "UI1:" + std::to_string(V_UI1(v)); break;
        case VT_BOOL: out = V_BOOL(v) ? "BOOL:true" : "BOOL:false"; break;
        case VT_R8:
            std::snprintf(buffer, sizeof(buffer), "R8:%.17g", V_R8(v));
            out = buffer;
            break;
        case VT_R4:
            std::snprintf(buffer, sizeof(buffer), "R4:%.9g", V_R4(v));
            out = buffer;
            break;
        case VT_DATE:
            std::snprintf(buffer, sizeof(buffer), "DATE:%.17g", V_DATE(v));
            out = buffer;
            break;
        case VT_ERROR: out = "ERROR:" + std::to_string(static_cast<long>(V_ERROR(v) & 0xFFFF)); break;
        case VT_DISPATCH: out = V_DISPATCH(v) ? "DISPATCH" : "DISPATCH:null"; break;
        case VT_UNKNOWN: out = "UNKNOWN"; break;
        default:
            if ((V_VT(v) & VT_ARRAY) && V_ARRAY(v)) {
                SAFEARRAY* a = V_ARRAY(v);
                out = "ARRAY:";
                for (UINT d = 1; d <= ::SafeArrayGetDim(a); ++d) {
                    LONG lo = 0, hi = -1;
                    ::SafeArrayGetLBound(a, d, &lo);
                    ::SafeArrayGetUBound(a, d, &hi);
                    out += (d > 1 ? "x" : "") + std::to_string(hi - lo + 1);
                }
            } else {
                out = "VT:" + std::to_string(V_VT(v));
            }
    }
    ::VariantClear(&local);
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
    return static_cast<long long>(now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency);
}

void AppendLogLine(const std::wstring& server, const std::string& json) {
    std::wstring path = ConfigString(server, L"LogFile");
    if (path.empty()) return;
    // Opened per line, so a test may delete or truncate the log between scenarios.
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::string line = json + "\n";
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace standin
