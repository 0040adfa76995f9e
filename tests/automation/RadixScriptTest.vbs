' LabelSupport.Radix (the class jinzhi zhuanhuan) as a script sees it; its arithmetic is the unit
' tests' business. Arguments of every kind from literals and variables, the in-out argument of
' D2B/D2H/D2O updating the script's variable, V2H's optional argument, byte arrays, a script's array
' of numbers taken as bytes, and the run-time errors 5, 6, 9 and 13 with their source and description.
On Error Resume Next

' --- The tests ---

Dim r, c, v, s, x, b, t, flag, numbers(2)
Set r = CreateObject("LabelSupport.Radix")
If Err.Number <> 0 Then Fail "CreateObject(""LabelSupport.Radix"")", "error " & Err.Number : Finish
' Reads returned byte arrays from index 0 (error 9 for an array that starts later).
Set c = CreateObject("LabelSupport.CodeTrans")

' Texts and numbers, by value and by reference, from literals and variables.
x = Empty : x = r.B2D("1010") : Check "B2D(""1010"")", x, 10
t = "1010" : x = Empty : x = r.B2D(t)
Check "B2D reads its reference and leaves it", x & "/" & t, "10/1010"
x = Empty : x = r.H2D("ff") : Check "H2D(""ff"")", x, 255
x = Empty : x = r.H2A("b0a1") : Check "H2A(""b0a1"")", x, Ansi("B0A1")
x = Empty : x = r.A2H(Ansi("B0A1")) : Check "A2H of the character B0A1", x, "B0A1"
x = Empty : x = r.S2H(1) : Check "S2H(1)", x, "0100"
x = Empty : x = r.FHexToInt("FFFFFFFF") : Check "FHexToInt(""FFFFFFFF"")", x, "-1"
x = Empty : x = r.IntToFHex(305419896) : Check "IntToFHex(305419896)", x, "78563412"

' D2B, D2H and D2O work on the caller's variable.
v = 10 : s = Empty : s = r.D2B(v)
Check "D2B(10)", s, "1010"
Check "D2B(10) leaves the variable at", v, 0
Check "the variable stays an Integer", VarType(v), vbInteger
v = -5 : s = Empty : s = r.D2B(v)
Check "D2B(-5) leaves the variable at", s & "/" & v, "/-5"
v = 255 : s = Empty : s = r.D2H(v)
Check "D2H(255)", s & "/" & v, "FF/0"
numbers(0) = 511 : s = Empty : s = r.D2O(numbers(0))
Check "D2O of an array element", s & "/" & numbers(0), "777/0"
v = 10 : s = Empty : s = r.D2B((v))
Check "D2B((v)) passes a copy", s & "/" & v, "1010/10"
v = "12" : s = Empty : s = r.D2B(v)
Check "a variable holding the number as text", s & "/" & v, "1100/0"
Check "and stays text", VarType(v), vbString

' V2H: a text, or with bUnicode true the bytes themselves.
x = Empty : x = r.V2H("41 42 43") : Check "V2H(""41 42 43"") with bUnicode left out", x, "ABC"
b = Empty : b = r.V2H("41 42", True)
Check "V2H(""41 42"", True) is a byte array", VarType(b), vbArray + vbByte
x = Empty : x = r.B2A(b) : Check "the bytes of V2H(""41 42"", True)", x, "AB"
x = Empty : x = c.Unicode8Decode(b) : Check "the bytes of V2H(""41 42"", True) from index 0", x, "AB"
flag = True : b = Empty : b = r.V2H("41", flag)
Check "V2H with bUnicode in a variable", VarType(b), vbArray + vbByte

' Text to ANSI bytes and back.
t = "A" & Ansi("B0A1")
b = Empty : b = r.A2B(t)
Check "A2B is a byte array", VarType(b), vbArray + vbByte
x = Empty : x = r.B2A(b) : Check "B2A(A2B(text))", x, t
x = Empty : x = r.B2S(b) : Check "B2S(A2B(text))", x, t
x = Empty : x = c.Unicode8Decode(r.A2B("AB")) : Check "the bytes of A2B from index 0", x, "AB"
x = Empty : x = r.B2A(r.A2B("")) : Check "A2B of the empty text and back", x, ""

' A script cannot make a byte array: an array of numbers 0 to 255 is taken instead, as CByte takes them.
x = Empty : x = r.B2S(Array(&HB0, &HA1, &H41)) : Check "B2S(Array(&HB0, &HA1, &H41))", x, Ansi("B0A1") & "A"
x = Empty : x = r.B2A(Array(&H41, 66, 67.4, 65.5)) : Check "B2A of numbers, 67.4 and 65.5 round", x, "ABCB"
x = Empty : x = r.B2A(Array(Empty, &H41)) : Check "an Empty element counts as 0", x, Chr(0) & "A"

' Run-time errors: number, source and description.
x = r.B2D("1" & String(31, "0"))
CheckError "B2D of 32 binary digits", 6, "LabelSupport.Radix", Ansi("D2E7 B3F6")
x = r.H2A("10000")
CheckError "H2A(""10000"")", 5, "LabelSupport.Radix", Ansi("CEDE D0A7 B5C4 B9FD B3CC B5F7 D3C3 BBF2 B2CE CAFD")
x = r.V2H("")
CheckError "V2H of the empty text", 9, "LabelSupport.Radix", Ansi("CFC2 B1EA D4BD BDE7")
x = r.B2A(Array(256))
CheckError "an array element of 256", 6, "LabelSupport.Radix", Ansi("D2E7 B3F6")
x = r.B2A(Array("x"))
CheckError "an array element that is no number", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.B2S(Array(True))
CheckError "an array element that is a logical", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.B2S(Array(Array(1)))
CheckError "an array element that is an array", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.D2B(Nothing)
CheckError "D2B(Nothing)", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.A2H(Null)
CheckError "A2H(Null)", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.IntToFHex("abc")
CheckError "IntToFHex(""abc"")", 13, "LabelSupport.Radix", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
x = r.S2H(3000000000)
CheckError "S2H of a number beyond 32 bits", 6, "LabelSupport.Radix", Ansi("D2E7 B3F6")
x = r.B2D()
CheckErrorNumber "B2D() without its argument", 450
x = r.B2D("1", "1")
CheckErrorNumber "B2D with two arguments", 450

Finish
