@echo off
rem Switches the device to the profile named by the "profile" setting (read with delayed
rem expansion, so any character in it stays text).
setlocal EnableDelayedExpansion
set "profile=!ZEB_profile!"
if not defined profile set "profile=Default Profile"
echo switchProfile !profile!
