#!/bin/sh
# keyscript name: Switch profile
# keyscript tooltip: Switches to the profile in the "profile" setting
# Switches the device to the profile named by the "profile" setting (without line breaks, which
# would start a command of their own). The host switches only to a profile the plugin ships:
# put NAME.streamDeckProfile into profiles/ in your scripts' folder, and the plugin you make of
# it lists it; keyscript's own plugin ships none.
profile=$(printf '%s' "${ZEB_profile:-Default Profile}" | tr -d '\r\n')
printf '%s\n' "switchProfile $profile"
