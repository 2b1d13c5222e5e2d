@echo off
rem keyscript name: Logo
rem keyscript tooltip: Shows a picture from a file beside its script
rem Shows the picture beside this script when the key appears; a relative path is taken from
rem the script's own folder.
echo setImage org.keyscript.logo.svg
