#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// What a script's header asks the host to show on its key once a run has ended: the alert
// after a failure ("# keyscript on-failure: alert"), the check mark after exit 0
// ("# keyscript on-success: ok"). Read as the plugin maker reads headers, and again when the
// file changes.
class ResultMarks
{
public:
    struct Marks
    {
        bool alertOnFailure = false;
        bool okOnSuccess = false;
    };

    Marks of(const QString &script);

private:
    struct Read
    {
        QDateTime modified;
        qint64 size = -1;
        Marks marks;
    };
    QHash<QString, Read> read; // by the script's path
};
