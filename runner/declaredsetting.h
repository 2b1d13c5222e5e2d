#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// A setting a script says it wants, in a header line, so that the key's settings page shows a
// field for it, with its label and of its kind, before it has a value:
//     # keyscript setting: url "Address to open"
//     # keyscript setting: count number "Start at" 0
//     # keyscript setting: mode choice fast|slow "Speed" fast
// The kinds are text (when none is given), number, checkbox, secret (shown as dots) and choice.
struct DeclaredSetting
{
    QString name;
    QString kind;
    QString label;
    QString defaultValue; // empty when none is given
    QStringList choices;  // for a choice

    // What follows "keyscript setting:"; none, with *error saying why, for what cannot be read.
    static std::optional<DeclaredSetting> parse(const QString &text, QString *error);
    QJsonObject toJson() const;
};
