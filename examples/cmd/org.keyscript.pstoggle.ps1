# keyscript name: Toggle (PowerShell)
# keyscript tooltip: Flips between On and Off
# keyscript states: 2
# Flips the key between state 0 (Off) and state 1 (On): the host says which state it is in.
$now = if ($env:KEYSCRIPT_STATE) { $env:KEYSCRIPT_STATE } else { $env:ZEB_on }
if ($now -eq "1") { $next = 0; $title = "Off" } else { $next = 1; $title = "On" }
[Console]::Out.WriteLine("setState $next")
[Console]::Out.WriteLine("setSettings {""on"":""$next""}")
[Console]::Out.WriteLine("setTitle $title")
