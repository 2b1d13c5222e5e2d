# The push of the volume dial: the same script, told it was pushed.
& (Join-Path $PSScriptRoot "org.keyscript.volume@dialRotate.ps1")
