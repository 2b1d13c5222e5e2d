@echo off
rem keyscript name: Countdown
rem keyscript tooltip: Counts down the "seconds" setting on the key
rem Counts down from the "seconds" setting (default 3), one title a second, while it runs.
rem (timeout.exe refuses to wait when its input is not a console, so ping waits instead.)
setlocal EnableDelayedExpansion
set "raw=!ZEB_seconds!"
rem Anything but a whole number counts as no setting; what is left is safe to use as %n%.
set "n=0"
set /a "n=raw" 2>nul
if not "!n!"=="!raw!" set "n=3"
if !n! leq 0 set "n=3"
endlocal & set "n=%n%"
:loop
echo setTitle %n%
ping -n 2 127.0.0.1 >nul
set /a n-=1
if %n% gtr 0 goto loop
echo setTitle Go!
