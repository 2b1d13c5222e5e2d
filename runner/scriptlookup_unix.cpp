#include "scriptlookup.h"

const QStringList &scriptSuffixes()
{
    static const QStringList suffixes{QString()};
    return suffixes;
}
