@echo off
rem keyscript name: Level
rem keyscript tooltip: A number between the settings min and max, turned with a dial
rem keyscript layout: $B1
rem keyscript rotate: Change the level
rem keyscript setting: min number "Lowest" 0
rem keyscript setting: max number "Highest" 100
rem A dial sets a number between "min" and "max", keeps it in its settings and shows it, with a
rem bar, on its part of the touch strip. set /a reads the settings as numbers only, so no
rem setting becomes a command.
setlocal EnableDelayedExpansion
set /a min=ZEB_min, max=100, n=ZEB_n, ticks=KEYSCRIPT_TICKS
if defined ZEB_max set /a max=ZEB_max
if not defined ZEB_n set /a n=min
if !max! leq !min! set /a max=min+1
set /a n+=ticks
if !n! lss !min! set /a n=min
if !n! gtr !max! set /a n=max
set /a percent=(n-min)*100/(max-min)
echo setSettings {"max":"!max!","min":"!min!","n":"!n!"}
echo setFeedback {"indicator":{"value":!percent!},"title":"Level","value":"!n!"}
