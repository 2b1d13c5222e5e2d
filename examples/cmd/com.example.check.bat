@echo off
rem Checks that the file or folder in the "path" setting exists; an alert on the key when not.
setlocal
if "%ZEB_path%"=="" (set "target=C:\") else (set "target=%ZEB_path%")
if exist "%target%" (echo setTitle OK) else (echo showAlert& echo setTitle missing)
