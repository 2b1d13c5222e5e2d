@echo off
rem Counts down from the "seconds" setting (default 3), one title a second, while it runs.
setlocal
set /a n=%ZEB_seconds% 2>nul
if "%n%"=="0" set /a n=3
:loop
echo setTitle %n%
timeout /t 1 /nobreak >nul
set /a n-=1
if %n% gtr 0 goto loop
echo setTitle Go!
