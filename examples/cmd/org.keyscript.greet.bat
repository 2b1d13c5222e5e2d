@echo off
rem keyscript name: Greet
rem keyscript tooltip: Greets whoever the "name" setting names
rem Greets whoever the key's "name" setting names, on two lines of the key's title. Settings are
rem read with delayed expansion (!ZEB_name!, not %ZEB_name%), so & | ( ) < > ^ and % in a
rem setting stay text instead of becoming batch syntax.
setlocal EnableDelayedExpansion
set "name=!ZEB_name!"
if not defined name set "name=there"
echo setTitle Hello\n!name!
