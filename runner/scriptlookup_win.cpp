#include "scriptlookup.h"

const QStringList &scriptSuffixes()
{
    static const QStringList suffixes{QStringLiteral(".exe"), QStringLiteral(".bat"), QString()};
    return suffixes;
}
