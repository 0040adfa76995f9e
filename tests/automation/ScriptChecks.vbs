Option Explicit
' The checks every script test uses. cscript has no include: the build puts this file in front of
' each test script (tests/automation/CMakeLists.txt).
Dim passed, failed
passed = 0 : failed = 0

' Wine's script host garbles non-ASCII text written to redirected output, so only ASCII is echoed:
' any other character shows as <hex> of its ANSI (GBK) code.
Function Shown(value)
  Dim i, c, code, text
  If IsArray(value) Then Shown = "(array)" : Exit Function
  If IsObject(value) Then Shown = "(object)" : Exit Function
  text = ""
  For i = 1 To Len(value)
    c = Mid(value, i, 1)
    code = Asc(c)
    If code >= 32 And code < 127 Then text = text & c Else text = text & "<" & Hex(code) & ">"
  Next
  Shown = "[" & text & "]"
End Function

' The text whose characters have these ANSI codes: Ansi("B0A1") is the character GBK writes B0 A1.
' The script files stay ASCII; the test prefix's code page is 936.
Function Ansi(codes)
  Dim code, text
  text = ""
  For Each code In Split(codes, " ")
    text = text & Chr(CInt("&H" & code))
  Next
  Ansi = text
End Function

Sub Fail(what, detail)
  failed = failed + 1
  WScript.Echo "FAIL " & what & ": " & detail
End Sub

' Checks a value computed by the statement before; an error raised there fails the check.
Sub Check(what, actual, expected)
  Dim number, same
  number = Err.Number
  If number <> 0 Then Fail what, "error " & number & " from " & Shown(Err.Source)
  ' An error inside a procedure without a handler would end it silently.
  On Error Resume Next
  Err.Clear
  If number <> 0 Then Exit Sub
  If IsArray(actual) Or IsArray(expected) Then
    Fail what, "an array where a single value was expected"
    Exit Sub
  End If
  same = False
  same = (VarType(actual) = VarType(expected) Or (IsNumeric(actual) And IsNumeric(expected)))
  If same Then same = (actual = expected)
  If Err.Number <> 0 Then same = False
  Err.Clear
  If same Then
    passed = passed + 1
  Else
    Fail what, "got " & Shown(actual) & " (type " & VarType(actual) & "), expected " & Shown(expected)
  End If
End Sub

' Checks the run-time error the statement before raised, and clears it.
Sub CheckError(what, number, source, description)
  If Err.Number = number And Err.Source = source And Err.Description = description Then
    passed = passed + 1
  Else
    Fail what, "error " & Err.Number & " " & Shown(Err.Source) & " " & Shown(Err.Description) & _
               ", expected " & number & " " & Shown(source) & " " & Shown(description)
  End If
  Err.Clear
End Sub

' The same for errors the script engine raises itself (source and description are its own).
Sub CheckErrorNumber(what, number)
  If Err.Number = number Then passed = passed + 1 Else Fail what, "error " & Err.Number & ", expected " & number
  Err.Clear
End Sub

Sub Finish()
  If Err.Number <> 0 Then Fail "script", "error " & Err.Number & " left unchecked"
  WScript.Echo passed & " passed, " & failed & " failed"
  If failed > 0 Then WScript.Quit 1
  WScript.Quit 0
End Sub

