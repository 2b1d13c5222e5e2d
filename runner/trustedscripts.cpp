#include "trustedscripts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

TrustedScripts::TrustedScripts(QString folder)
    : folder(std::move(folder))
{
}

QString TrustedScripts::configFolder()
{
    const QString chosen = qEnvironmentVariable("KEYSCRIPT_CONFIG_DIR");
    if (!chosen.isEmpty())
        return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString TrustedScripts::filePath() const
{
    return QDir(folder).filePath(QLatin1String(fileName));
}

void TrustedScripts::reload()
{
    const QFileInfo info(filePath());
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (modified == readModified && size == readSize)
        return;
    readModified = modified;
    readSize = size;
    order.clear();
    known.clear();
    QFile file(filePath());
    // Only a regular file is read: a FIFO put in its place would never end.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.read(qint64(maxKept) * 80).split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray fingerprint = line.trimmed();
        if (fingerprint.size() == 64 && !known.contains(fingerprint)) {
            known.insert(fingerprint);
            order.append(fingerprint);
        }
    }
}

bool TrustedScripts::isTrusted(const QByteArray &fingerprint)
{
    reload();
    return known.contains(fingerprint);
}

bool TrustedScripts::trust(const QByteArray &fingerprint)
{
    reload();
    if (known.contains(fingerprint)) // newest last: it moves to the end
        order.removeOne(fingerprint);
    known.insert(fingerprint);
    order.append(fingerprint);
    while (order.size() > maxKept)
        known.remove(order.takeFirst());

    if (!QDir().mkpath(folder)) {
        lastError =
            QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        lastError = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray content;
    content.reserve(order.size() * 65);
    for (const QByteArray &line : std::as_const(order))
        content += line + '\n';
    file.write(content);
    if (!file.commit()) {
        lastError = file.errorString();
        return false;
    }
    const QFileInfo info(filePath());
    readModified = info.lastModified();
    readSize = info.size();
    lastError.clear();
    return true;
}
