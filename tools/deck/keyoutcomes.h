#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

// What the deck shows of each key's last runs: why its last run failed, or why its scripts
// cannot run, as the plugin tells a key's settings page. The deck asks the plugin about every
// key it shows, so a failed key is marked whether its page is open or not.
class KeyOutcomes
{
public:
    // Takes in a sendToPropertyInspector of the plugin; returns whether a key's mark changed.
    bool take(const QJsonObject &message);
    // Why the key's last run failed; empty when it did not.
    QString problem(const QString &context) const { return problems.value(context); }
    void forget(const QString &context) { problems.remove(context); }
    // One line for the log pane about a run that was told, or an empty string.
    static QString runLine(const QJsonObject &message);

private:
    QHash<QString, QString> problems;
};
