@echo off
rem keyscript name: Status light
rem keyscript tooltip: A status light drawn as SVG
rem A status light: while the key is visible, a dot drawn as SVG, green while the file or folder
rem in the "path" setting exists and red while it does not, checked every five seconds.
setlocal EnableDelayedExpansion
if defined ZEB_path (set "target=!ZEB_path!") else (set "target=C:\")
:loop
if exist "!target!" (set "colour=#2e7d32") else (set "colour=#c62828")
echo setImage ^<svg xmlns="http://www.w3.org/2000/svg" width="72" height="72"^>^<circle cx="36" cy="36" r="24" fill="!colour!"/^>^</svg^>
ping -n 6 127.0.0.1 >nul
goto loop
