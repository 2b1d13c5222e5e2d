// The environment of scripts on Linux and Windows: the plugin's own, whose PATH is the user's.
#include "scriptenvironment.h"

QProcessEnvironment scriptEnvironment()
{
    return QProcessEnvironment::systemEnvironment();
}
