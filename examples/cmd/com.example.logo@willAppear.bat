@echo off
rem Shows the picture beside this script when the key appears; a relative path is taken from
rem the script's own folder.
echo setImage com.example.logo.svg
