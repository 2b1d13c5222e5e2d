@echo off
rem keyscript name: Check a path
rem keyscript tooltip: Shows whether the file or folder in the "path" setting is there
rem keyscript on-failure: alert
rem keyscript on-success: ok
rem Checks that the file or folder in the "path" setting exists: OK as the title and the check
rem mark when it does; when it does not, it fails, and the plugin shows the alert. The setting is
rem read with delayed expansion.
setlocal EnableDelayedExpansion
set "target=!ZEB_path!"
if not defined target set "target=C:\"
if exist "!target!" (
    echo setTitle OK
) else (
    echo setTitle missing
    exit /b 1
)
