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

QString SecretMask::maskedLine(const QString &line, const QStringList &secrets)
{
    if (secrets.isEmpty())
        return line;
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString word = line.left(space);
    if (space < 0 ||
        (word != QLatin1String("setSettings") && word != QLatin1String("setGlobalSettings")))
        return line;
    const QString json = line.mid(space + 1);
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject()) {
        // What did not read may still hold a secret's value after its name.
        for (const QString &name : secrets) {
            if (json.contains(QLatin1Char('"') + name + QLatin1Char('"')))
                return word + QLatin1Char(' ') + dots;
        }
        return line;
    }
    return word + QLatin1Char(' ') + compactJson(masked(document.object(), secrets));
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
