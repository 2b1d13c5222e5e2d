#pragma once

// Where a title or image goes on a key; the host gives the values their meaning, the plugin
// only passes the integer on.
typedef int ESDSDKTarget;
