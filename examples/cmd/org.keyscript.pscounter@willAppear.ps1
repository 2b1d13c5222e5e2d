# keyscript name: Counter (PowerShell)
# keyscript tooltip: Counts its presses, live
# A live key: this appear script runs while the key is visible and reads the key's events from
# its input, one line each ("keyDown {...}"), so a press costs no new PowerShell. The count is
# kept in the key's settings, so it survives a restart. When the input ends, the key has gone.
[Console]::OutputEncoding = [Text.Encoding]::UTF8
function Say($line) { [Console]::Out.WriteLine($line); [Console]::Out.Flush() }
$count = 0
[void][int]::TryParse($env:ZEB_count, [ref]$count)
Say "setTitle $count"
while ($null -ne ($line = [Console]::In.ReadLine())) {
    if ($line.StartsWith("keyDown ")) {
        $count++
        Say "setTitle $count"
        Say "setSettings {""count"":""$count""}"
    }
}
