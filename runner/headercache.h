#pragma once

#include "scriptheader.h"

#include <QDateTime>
#include <QHash>
#include <QString>

// The header lines of the scripts the plugin runs, read as the plugin maker reads them and
// again when a file changes: what to show on the key once a run has ended
// ("# keyscript on-failure: alert", "# keyscript on-success: ok"), and how often an appear
// script runs again ("# keyscript every: 5s").
class HeaderCache
{
public:
    // The header of script; an empty one for a program, or a file that is gone.
    const ScriptHeader &of(const QString &script);

private:
    struct Read
    {
        QDateTime modified;
        qint64 size = -1;
        ScriptHeader header;
    };
    QHash<QString, Read> read; // by the script's path
};
