' A session with the diagnostics server's root object (QNAiO.Kenro): its settings from the database
' file in the program folder, a results collection, display messages, and the progress dialog.
Set kenro = CreateObject("QNAiO.Kenro")
WScript.Echo "Path: " & kenro.Path
WScript.Echo "Database: " & kenro.DatabaseName
WScript.Echo "Help folder: " & kenro.HelpDirectory
WScript.Echo "Device id: [" & kenro.DeviceId & "], installed " & kenro.WasInstalled
kenro.DeviceId = "QN-0500-7731"
WScript.Echo "Device id set: [" & kenro.DeviceId & "], installed " & kenro.WasInstalled

' A collection of every kind of result, filled by hand as the searches do.
Set results = Nothing
found = kenro.Results(15, results)
results.Result(1) = "C:\WINDOWS\system32\lpt.vxd"
results.Result(12) = "qnaio.ini"
WScript.Echo "Results: " & results.Count & " of kind " & results.Type
For Each result In results
  WScript.Echo "  type " & result.Type & ": " & result.Data
Next

' Display messages, as a check leaves them for the results dialog.
Set messages = kenro.DisplayMessages
messages.AddMessage "Il file lpt.vxd appartiene a un altro prodotto.", 1, 1200, results
messages.AddMessage "Spazio su disco sufficiente.", 2, 0, Nothing
WScript.Echo "Messages: " & messages.Count
For Each message In messages
  WScript.Echo "  severity " & message.Severity & ", help " & message.HelpId & ": " & message.Message
Next

' The progress dialog of a walk over the results, one step for each.
Set progress = kenro.ProgressBarDlg
progress.SetRange 0, results.Count
progress.Show
For Each result In results
  progress.Message = "Verifica di " & result.Data
  progress.StepIt
Next
WScript.Echo "Progress: position " & progress.Position & ", cancelled " & progress.IsCanceled
progress.Close

' A child the server does not have yet fails with its HRESULT.
On Error Resume Next
Set units = kenro.Units
WScript.Echo "Units: error " & Err.Number
On Error Goto 0
