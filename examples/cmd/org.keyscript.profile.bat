@echo off
rem keyscript name: Switch profile
rem keyscript tooltip: Switches to the profile in the "profile" setting
rem Switches the device to the profile named by the "profile" setting (read with delayed
rem expansion, so any character in it stays text).
setlocal EnableDelayedExpansion
set "profile=!ZEB_profile!"
if not defined profile set "profile=Default Profile"
echo switchProfile !profile!
