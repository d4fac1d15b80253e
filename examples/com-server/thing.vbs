' Drives the test COM server (ComServer.Thing) late bound: properties, methods, its collection, and the
' error information of a failing method.
Set thing = CreateObject("ComServer.Thing")
WScript.Echo "Name: " & thing.Name & ", application " & thing.AppName
thing.Name = "printer toolbox"
thing.Colour = 2
WScript.Echo "Renamed: " & thing.Name & ", colour " & thing.Colour
WScript.Echo "40 + 2 = " & thing.Add(40, 2)

Set items = thing.Fill(3)
total = 0
For Each item In items
  total = total + item.Value
Next
If total = 6 Then
  WScript.Echo items.Count & " items, values adding up to " & total
Else
  WScript.Echo "unexpected total " & total
End If

On Error Resume Next
thing.Fail "out of paper"
WScript.Echo "Fail reported error " & Err.Number & " from " & Err.Source & ": " & Err.Description
On Error Goto 0
WScript.Quit 0
