' LabelSupport.CodeTrans as a script sees it; the codecs themselves are the unit tests' business.
' Each codec on "abc" and the character U+6253 (GBK B4 F2, UTF-8 E6 89 93, UTF-16 53 62), BigEndian
' left out or given, a script's array of numbers taken as bytes, and the run-time errors 5, 6, 9 and 13.
On Error Resume Next

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
expected = r.V2H("E6 89 93", True)
x = Empty : x = r.B2A(b) : Check "Unicode8Encode of U+6253 gives E6 89 93", x, r.B2A(expected)
x = Empty : x = c.Unicode8Decode(b) : Check "Unicode8Decode(Unicode8Encode(U+6253))", x, dah
x = Empty : x = c.Unicode8Decode(Array(&HE6, &H89, &H93)) : Check "Unicode8Decode of a script array", x, dah
x = c.Unicode8Decode(Array(&HE6))
CheckError "Unicode8Decode of a cut-off sequence", 9, "LabelSupport.CodeTrans", Ansi("CFC2 B1EA D4BD BDE7")
x = c.Unicode8Decode(Array(&HF0, &H9F, &H98, &H80))
CheckError "Unicode8Decode above U+FFFF", 5, "LabelSupport.CodeTrans", Ansi("CEDE D0A7 B5C4 B9FD B3CC B5F7 D3C3 BBF2 B2CE CAFD")

' UTF-16, little-endian unless BigEndian.
b = Empty : b = c.UnicodeEncode("abc")
x = Empty : x = r.B2A(b) : Check "UnicodeEncode(""abc"") with BigEndian left out", x, "a" & Chr(0) & "b" & Chr(0) & "c" & Chr(0)
x = Empty : x = r.B2A(c.UnicodeEncode("abc", True)) : Check "UnicodeEncode(""abc"", True)", x, Chr(0) & "a" & Chr(0) & "b" & Chr(0) & "c"
x = Empty : x = r.B2A(c.UnicodeEncode(dah)) : Check "UnicodeEncode of U+6253", x, "Sb"
bigEndian = True
x = Empty : x = r.B2A(c.UnicodeEncode(dah, bigEndian)) : Check "UnicodeEncode of U+6253, BigEndian in a variable", x, "bS"
x = Empty : x = r.B2A(c.UnicodeEncode(dah, 1)) : Check "UnicodeEncode of U+6253, BigEndian any number but 0", x, "bS"
x = Empty : x = c.UnicodeDecode(Array(&H53, &H62)) : Check "UnicodeDecode(53 62)", x, dah
x = Empty : x = c.UnicodeDecode(Array(&H62, &H53), True) : Check "UnicodeDecode(62 53, True)", x, dah
x = Empty : x = c.UnicodeDecode(c.UnicodeEncode("abc", False), False) : Check "UnicodeDecode(UnicodeEncode(""abc""))", x, "abc"
x = c.UnicodeDecode(Array(&H61, 0, &H62))
CheckError "UnicodeDecode of three bytes", 9, "LabelSupport.CodeTrans", Ansi("CFC2 B1EA D4BD BDE7")

' UTF-8 through the platform's conversion.
b = Empty : b = c.EncodeToBytes(dah)
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
x = c.Unicode8Decode(Array(-1))
CheckError "Unicode8Decode of an array holding -1", 6, "LabelSupport.CodeTrans", Ansi("D2E7 B3F6")
x = c.UnicodeDecode(Array("65", "0"))
CheckError "UnicodeDecode of texts that read as numbers", 13, "LabelSupport.CodeTrans", Ansi("C0E0 D0CD B2BB C6A5 C5E4")

Finish
