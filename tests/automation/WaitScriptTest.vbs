' LabelSupport.Wait called from VBScript: waits with a literal, a variable (passed by reference and
' only read) and a negative delay return normally; a delay that is no number fails with error 13.
On Error Resume Next

' --- The tests ---

Dim w, ms
Set w = CreateObject("LabelSupport.Wait")
If Err.Number <> 0 Then Fail "CreateObject(""LabelSupport.Wait"")", "error " & Err.Number : Finish

w.Wait 0
Check "Wait 0", Err.Number, 0
ms = 30
w.Wait ms
Check "Wait ms returns", Err.Number, 0
Check "Wait leaves its argument", ms, 30
Call w.Wait(-5)
Check "a negative delay is due at once", Err.Number, 0
w.Wait "soon"
CheckError "Wait ""soon""", 13, "LabelSupport.Wait", Ansi("C0E0 D0CD B2BB C6A5 C5E4")
w.Wait
CheckErrorNumber "Wait without its argument", 450
w.Wait 1
Check "a wait after a failed call", Err.Number, 0

Finish
