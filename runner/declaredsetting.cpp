#include "declaredsetting.h"

#include <QJsonArray>
#include <QRegularExpression>

std::optional<DeclaredSetting> DeclaredSetting::parse(const QString &text, QString *error)
{
    // NAME, a kind (choice with its choices), the label in double quotes, a default.
    static const QRegularExpression form(
        QStringLiteral("^([A-Za-z0-9_.-]+)(?:\\s+(text|number|checkbox|secret|choice)(?:\\s+"
                       "([^\\s\"]+))?)?\\s+\"([^\"]+)\"(?:\\s+(.*))?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        *error = QStringLiteral("\"keyscript setting:\" is a name, a kind if not text (number, "
                                "checkbox, secret, choice a|b), a label in double quotes and a "
                                "default, not \"%1\"")
                     .arg(text);
        return std::nullopt;
    }
    DeclaredSetting setting;
    setting.name = match.captured(1);
    setting.kind = match.captured(2).isEmpty() ? QStringLiteral("text") : match.captured(2);
    setting.label = match.captured(4);
    setting.defaultValue = match.captured(5).trimmed();
    if (setting.defaultValue.size() > 1 && setting.defaultValue.startsWith(QLatin1Char('"')) &&
        setting.defaultValue.endsWith(QLatin1Char('"')))
        setting.defaultValue = setting.defaultValue.mid(1, setting.defaultValue.size() - 2);
    const QString choices = match.captured(3);
    if (setting.kind == QLatin1String("choice")) {
        setting.choices = choices.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        if (setting.choices.size() < 2) {
            *error = QStringLiteral("the choice \"%1\" needs two choices or more, such as a|b")
                         .arg(setting.name);
            return std::nullopt;
        }
    } else if (!choices.isEmpty()) {
        *error = QStringLiteral("only a choice has choices, not \"%1\"").arg(setting.name);
        return std::nullopt;
    }
    const QString &value = setting.defaultValue;
    bool number = false;
    value.toDouble(&number);
    const bool fits =
        value.isEmpty() || (setting.kind == QLatin1String("number") && number) ||
        (setting.kind == QLatin1String("checkbox") &&
         (value == QLatin1String("true") || value == QLatin1String("false"))) ||
        (setting.kind == QLatin1String("choice") && setting.choices.contains(value)) ||
        setting.kind == QLatin1String("text") || setting.kind == QLatin1String("secret");
    if (!fits) {
        *error = QStringLiteral("the default of \"%1\" is no %2: \"%3\"")
                     .arg(setting.name, setting.kind, value);
        return std::nullopt;
    }
    return setting;
}

QJsonObject DeclaredSetting::toJson() const
{
    QJsonObject json{{QStringLiteral("name"), name},
                     {QStringLiteral("kind"), kind},
                     {QStringLiteral("label"), label},
                     {QStringLiteral("default"), defaultValue}};
    if (!choices.isEmpty())
        json.insert(QStringLiteral("choices"), QJsonArray::fromStringList(choices));
    return json;
}
