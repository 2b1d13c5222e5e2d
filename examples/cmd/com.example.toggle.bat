@echo off
rem Flips the key between state 0 and state 1, kept in a small file per "name" setting.
setlocal
if "%ZEB_name%"=="" (set "name=default") else (set "name=%ZEB_name%")
set "file=%TEMP%\keyscript-toggle-%name%"
set "state=0"
if exist "%file%" set /p state=<"%file%"
if "%state%"=="1" (set "state=0") else (set "state=1")
> "%file%" echo %state%
echo setState %state%
if "%state%"=="1" (echo setTitle On) else (echo setTitle Off)
