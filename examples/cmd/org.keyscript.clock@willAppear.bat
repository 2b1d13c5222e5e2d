@echo off
rem keyscript name: Clock
rem keyscript tooltip: Shows the time while the key is visible
rem Shows the time while the key is visible: a new title every second. The plugin ends this
rem script when the key disappears, so it may loop for ever. (timeout.exe refuses to wait
rem when its input is not a console, so ping waits instead.)
:loop
echo setTitle %time:~0,8%
ping -n 2 127.0.0.1 >nul
goto loop
