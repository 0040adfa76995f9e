' LabelSupport.CodeTrans called from VBScript: the UTF-8 and UTF-16 codecs on the examples "abc"
' and the character U+6253 (GBK B4 F2, UTF-8 E6 89 93, UTF-16 53 62), BigEndian left out or given,
' a script's array of numbers taken as bytes, and the run-time errors 5, 6, 9 and 13.
Option Explicit
On Error Resume Next

' --- The checks (the same in every script test: cscript has no include) ---
Dim passed, failed, skipped
passed = 0 : failed = 0 : skipped = 0

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

' A returned byte array starts at 0. Wine's script engine has no LBound for byte arrays (it raises
' 445), so there the check is counted as skipped; the tests also hand such arrays to
' Unicode8Decode, which reads from index 0 and fails with error 9 when the array starts later.
Sub CheckStartsAtZero(what, bytes)
  Dim lower
  On Error Resume Next
  lower = Empty
  lower = LBound(bytes)
  If Err.Number = 445 Then
    Err.Clear
    skipped = skipped + 1
  Else
    Check what & ": LBound", lower, 0
  End If
End Sub

Sub Finish()
  If Err.Number <> 0 Then Fail "script", "error " & Err.Number & " left unchecked"
  WScript.Echo passed & " passed, " & failed & " failed, " & skipped & " skipped"
  If failed > 0 Then WScript.Quit 1
  WScript.Quit 0
End Sub

' --- The tests ---

Dim c, r, x, b, expected, dah, bigEndian
Set c = CreateObject("LabelSupport.CodeTrans")
Set r = CreateObject("LabelSupport.Radix")
If Err.Number <> 0 Then Fail "CreateObject(""LabelSupport.CodeTrans"")", "error " & Err.Number : Finish
dah = Ansi("B4F2")

' Wine's script engine cannot read the elements of a byte array, so bytes are compared through
' LabelSupport.Radix.B2A (ANSI decoding) and through the decoders.

' UTF-8, bit by bit.
b = Empty : b = c.Unicode8Encode(dah)
Check "Unicode8Encode is a byte array", VarType(b), vbArray + vbByte
CheckStartsAtZero "Unicode8Encode", b
expected = r.V2H("E6 89 93", True)
x = Empty : x = r.B2A(b) : Check "Unicode8Encode of U+6253 gives E6 89 93", x, r.B2A(expected)
x = Empty : x = c.Unicode8Decode(b) : Check "Unicode8Decode(Unicode8Encode(U+6253))", x, dah
x = Empty : x = r.B2A(c.Unicode8Encode("abc")) : Check "Unicode8Encode(""abc"")", x, "abc"
x = Empty : x = c.Unicode8Decode(Array(&HE6, &H89, &H93)) : Check "Unicode8Decode of a script array", x, dah
x = Empty : x = c.Unicode8Decode(Array(&H80, &H61)) : Check "Unicode8Decode skips a stray continuation byte", x, "a"
x = c.Unicode8Decode(Array(&HE6))
CheckError "Unicode8Decode of a cut-off sequence", 9, "LabelSupport.CodeTrans", Ansi("CFC2 B1EA D4BD BDE7")
x = c.Unicode8Decode(Array(&HF0, &H9F, &H98, &H80))
CheckError "Unicode8Decode above U+FFFF", 5, "LabelSupport.CodeTrans", Ansi("CEDE D0A7 B5C4 B9FD B3CC B5F7 D3C3 BBF2 B2CE CAFD")

' UTF-16, little-endian unless BigEndian.
b = Empty : b = c.UnicodeEncode("abc")
CheckStartsAtZero "UnicodeEncode", b
x = Empty : x = r.B2A(b) : Check "UnicodeEncode(""abc"") with BigEndian left out", x, "a" & Chr(0) & "b" & Chr(0) & "c" & Chr(0)
x = Empty : x = r.B2A(c.UnicodeEncode("abc", True)) : Check "UnicodeEncode(""abc"", True)", x, Chr(0) & "a" & Chr(0) & "b" & Chr(0) & "c"
x = Empty : x = r.B2A(c.UnicodeEncode(dah)) : Check "UnicodeEncode of U+6253", x, "Sb"
bigEndian = True
x = Empty : x = r.B2A(c.UnicodeEncode(dah, bigEndian)) : Check "UnicodeEncode of U+6253, BigEndian in a variable", x, "bS"
x = Empty : x = c.UnicodeDecode(Array(&H53, &H62)) : Check "UnicodeDecode(53 62)", x, dah
x = Empty : x = c.UnicodeDecode(Array(&H62, &H53), True) : Check "UnicodeDecode(62 53, True)", x, dah
x = Empty : x = c.UnicodeDecode(c.UnicodeEncode("abc", False), False) : Check "UnicodeDecode(UnicodeEncode(""abc""))", x, "abc"
x = c.UnicodeDecode(Array(&H61, 0, &H62))
CheckError "UnicodeDecode of three bytes", 9, "LabelSupport.CodeTrans", Ansi("CFC2 B1EA D4BD BDE7")

' UTF-8 through the platform's conversion.
b = Empty : b = c.EncodeToBytes(dah)
CheckStartsAtZero "EncodeToBytes", b
x = Empty : x = r.B2A(b) : Check "EncodeToBytes of U+6253", x, r.B2A(expected)
x = Empty : x = c.Unicode8Decode(b) : Check "Unicode8Decode(EncodeToBytes(U+6253))", x, dah
b = Empty : b = c.EncodeToBytes("")
Check "EncodeToBytes of the empty text is a byte array", VarType(b), vbArray + vbByte
x = Empty : x = r.B2A(b) : Check "EncodeToBytes of the empty text has no elements", x, ""
x = Empty : x = r.B2A(c.DecodeToBytes("abc")) : Check "DecodeToBytes(""abc"") stops at the first zero byte", x, "a" & Chr(0)

' Arguments that are no byte array.
x = c.Unicode8Decode("E6 89 93")
CheckError "Unicode8Decode of a text", 13, "LabelSupport.CodeTrans", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = c.UnicodeDecode(Array(&H53, 300))
CheckError "UnicodeDecode of an array holding 300", 6, "LabelSupport.CodeTrans", Ansi("D2E7 B3F6")

Finish
