#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>

// The deck's log pane: each line with the time it came, long ones (an image sent inline) cut
// short, and the last lines kept for a page that opens late.
class DeckLog
{
public:
    static constexpr int linesKept = 200;
    static constexpr qsizetype lineShown = 300;

    // The line as the pane shows it; it is kept.
    QString add(const QString &line);
    QJsonArray recent() const { return QJsonArray::fromStringList(lines); }

private:
    QStringList lines;
};
