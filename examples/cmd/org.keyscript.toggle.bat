@echo off
rem keyscript name: Toggle
rem keyscript tooltip: Flips between On and Off
rem keyscript states: 2
rem Flips the key between state 0 (Off) and state 1 (On), with no file of its own: the host says
rem which state the key is in, and where it does not, the key's own settings remember it.
setlocal EnableDelayedExpansion
if defined KEYSCRIPT_STATE (set "now=!KEYSCRIPT_STATE!") else (set "now=!ZEB_on!")
if "!now!"=="1" (set "next=0" & set "title=Off") else (set "next=1" & set "title=On")
echo setState !next!
echo setSettings {"on":"!next!"}
echo setTitle !title!
