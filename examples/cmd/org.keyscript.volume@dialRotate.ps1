# keyscript name: Volume
# keyscript tooltip: Turns the system's volume with a dial; a push mutes
# keyscript layout: $B1
# keyscript rotate: Volume
# keyscript push: Mute
# The system's volume through the keys Windows has for it (each a step of two per cent): up,
# down and mute, sent as a keyboard's media keys would.
$shell = New-Object -ComObject WScript.Shell
$ticks = 0
[void][int]::TryParse($env:KEYSCRIPT_TICKS, [ref]$ticks)
if ($env:KEYSCRIPT_EVENT -eq 'dialDown') { $shell.SendKeys([string][char]173); $said = 'mute' }
else {
    $key = if ($ticks -ge 0) { [char]175 } else { [char]174 }
    for ($i = 0; $i -lt [Math]::Abs($ticks); $i++) { $shell.SendKeys([string]$key) }
    $said = if ($ticks -ge 0) { "+$ticks" } else { "$ticks" }
}
[Console]::Out.WriteLine('setFeedback {"title":"Volume","value":"' + $said + '"}')
