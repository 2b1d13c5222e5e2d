@echo off
rem Greets whoever the key's "name" setting names, on two lines of the key's title.
if "%ZEB_name%"=="" (echo setTitle Hello\nthere) else (echo setTitle Hello\n%ZEB_name%)
