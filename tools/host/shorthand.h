#pragma once

#include <QString>
#include <QStringList>

// Splits one line of interactive input into words as a shell would: at white space, with '...'
// and "..." quoting, so press a --settings '{"name": "A B"}' works as on the command line. A
// bare JSON object runs to its closing brace: press a --settings {"name": "A B"}
QStringList splitShorthand(const QString &line);
