#include "secretmask.h"

#include "connection/compactjson.h"

#include "headercache.h"

#include <QDir>
#include <QJsonDocument>

QJsonObject SecretMask::masked(const QJsonObject &settings, const QStringList &secrets)
{
    QJsonObject result = settings;
    for (const QString &name : secrets) {
        if (result.contains(name))
            result.insert(name, dots);
    }
    return result;
}

QString SecretMask::maskedLine(const QString &line, const Secrets &secrets)
{
    QString shown = line;
    for (const QString &value : secrets.values) {
        if (value.size() >= 4)
            shown.replace(value, dots);
    }
    const qsizetype space = shown.indexOf(QLatin1Char(' '));
    const QString word = shown.left(space);
    if (secrets.names.isEmpty() || space < 0 ||
        (word != QLatin1String("setSettings") && word != QLatin1String("setGlobalSettings")))
        return shown;
    const QString json = shown.mid(space + 1);
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject()) {
        // What did not read may still hold a secret's value after its name.
        for (const QString &name : secrets.names) {
            if (json.contains(QLatin1Char('"') + name + QLatin1Char('"')))
                return word + QLatin1Char(' ') + dots;
        }
        return shown;
    }
    return word + QLatin1Char(' ') + compactJson(masked(document.object(), secrets.names));
}

QJsonObject SecretMask::maskedMessage(const QJsonObject &message, const QStringList &secrets)
{
    const QString event = message.value(QLatin1String("event")).toString();
    QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    if (event == QLatin1String("setSettings") || event == QLatin1String("setGlobalSettings")) {
        const QJsonObject shown = masked(payload, secrets);
        if (shown == payload)
            return QJsonObject();
        QJsonObject result = message;
        result.insert(QStringLiteral("payload"), shown);
        return result;
    }
    const QJsonObject settings = payload.value(QLatin1String("settings")).toObject();
    const QJsonObject shown = masked(settings, secrets);
    if (shown == settings)
        return QJsonObject();
    payload.insert(QStringLiteral("settings"), shown);
    QJsonObject result = message;
    result.insert(QStringLiteral("payload"), payload);
    return result;
}

QStringList SecretMask::declaredIn(const QString &folder)
{
    QStringList names;
    HeaderCache headers;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const ScriptHeader &header = headers.of(file.filePath());
        for (const QList<DeclaredSetting> *list : {&header.settings, &header.sharedSettings}) {
            for (const DeclaredSetting &setting : *list) {
                if (setting.kind == QLatin1String("secret") && !names.contains(setting.name))
                    names << setting.name;
            }
        }
    }
    return names;
}
