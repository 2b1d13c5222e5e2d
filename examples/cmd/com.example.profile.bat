@echo off
rem Switches the device to the profile named by the "profile" setting.
if "%ZEB_profile%"=="" (echo switchProfile Default Profile) else (echo switchProfile %ZEB_profile%)
