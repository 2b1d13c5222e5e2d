#!/bin/sh
# keyscript name: Switch profile
# keyscript tooltip: Switches to the profile in the "profile" setting
# Switches the device to the profile named by the "profile" setting (without line breaks, which
# would start a command of their own).
profile=$(printf '%s' "${ZEB_profile:-Default Profile}" | tr -d '\r\n')
printf '%s\n' "switchProfile $profile"
