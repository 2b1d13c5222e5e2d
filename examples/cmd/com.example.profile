#!/bin/sh
# Switches the device to the profile named by the "profile" setting.
echo "switchProfile ${ZEB_profile:-Default Profile}"
