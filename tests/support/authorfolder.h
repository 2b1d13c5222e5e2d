#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An author's folder of scripts, written from short descriptions, and the plugin maker run on
// it, for the maker's tests.
namespace AuthorFolder {

// Writes each entry into folder: "x NAME|CONTENT" an executable file, "- NAME|CONTENT" a plain
// one (a script without content prints a title), "l NAME|TARGET" a link, "p NAME" a FIFO.
bool write(const QString &folder, const QStringList &entries);

// Every file and link under folder, as "path" or "path -> target", sorted; folders named in
// skipped (paths relative to folder) are left out.
QStringList listing(const QString &folder, const QStringList &skipped = {});

// Runs "keyscript-host plugin" with arguments in workDir; its exit code, or -1.
int make(const QString &host, const QStringList &arguments, const QString &workDir,
         QByteArray *err = nullptr, QByteArray *out = nullptr);

} // namespace AuthorFolder
