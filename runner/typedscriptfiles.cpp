#include "typedscriptfiles.h"

#include "typedscript.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString TypedScriptFiles::fileFor(const TypedScript &typed, QString *why)
{
    // A temporary folder is made for its user alone (mode 0700; on Windows the user's own
    // temporary folder). Made anew if something cleared it while the plugin ran.
    if (!folder || !QFileInfo(folder->path()).isDir()) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                 QStringLiteral("/keyscript-typed-XXXXXX"));
        if (!folder->isValid()) {
            *why =
                QStringLiteral("cannot make a folder for typed scripts: ") + folder->errorString();
            folder.reset();
            return QString();
        }
    }
    const QString path =
        folder->filePath(QString::fromLatin1(typed.fingerprint().left(32)) + typed.fileSuffix());
    if (QFileInfo(path).isFile())
        return path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("cannot write the script's file: ") + file.errorString();
        return QString();
    }
    file.write(typed.fileContent());
    if (!file.commit()) {
        *why = QStringLiteral("cannot write the script's file: ") + file.errorString();
        return QString();
    }
    return path;
}
