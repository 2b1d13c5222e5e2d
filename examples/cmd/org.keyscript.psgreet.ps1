# keyscript name: Greet (PowerShell)
# keyscript tooltip: Greets the name in its settings
# The greeting in PowerShell: the settings come as arguments (--name Ada) and as $env:ZEB_name.
# Line breaks are dropped from the setting: one would start a command line of its own.
[Console]::OutputEncoding = [Text.Encoding]::UTF8
$name = if ($env:ZEB_name) { $env:ZEB_name } else { "there" }
$name = $name -replace "[`r`n]", ""
[Console]::Out.WriteLine("setTitle Hello\n$name")
