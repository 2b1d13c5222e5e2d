@echo off
rem keyscript name: Check a path
rem keyscript tooltip: Shows whether the file or folder in the "path" setting is there
rem Checks that the file or folder in the "path" setting exists: OK as the title when it does,
rem an alert on the key when it does not. The setting is read with delayed expansion.
setlocal EnableDelayedExpansion
set "target=!ZEB_path!"
if not defined target set "target=C:\"
if exist "!target!" (
    echo setTitle OK
) else (
    echo showAlert
    echo setTitle missing
)
