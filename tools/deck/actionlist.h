#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// The actions of a scripts folder as the deck lists them, each with why its scripts cannot run
// when none can, read again every second so that the list follows the folder; and Run and
// Watch, whose scripts are typed on the key.
class ActionList : public QObject
{
    Q_OBJECT
public:
    explicit ActionList(QString folder, QObject *parent = nullptr);

    bool contains(const QString &action) const;
    // [{"action": ..., "problem": ..., "keys": ..., "dials": ...}], by action; the problem is
    // empty for one that runs; keys and dials say which it serves.
    const QJsonArray &toJson() const { return list; }
    // The actions whose scripts are all for another system, which the deck does not list.
    const QStringList &otherSystem() const { return others; }

Q_SIGNALS:
    void changed();

private:
    void read();

    QString folder;
    QJsonArray list;
    QStringList others;
    QTimer timer;
};
