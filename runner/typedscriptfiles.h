#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

struct TypedScript;

// The files typed scripts run from, so that $0 and the line numbers of errors mean something:
// one per text and interpreter, named by its fingerprint, written the first time it runs, in a
// folder only the user can read that goes when the plugin ends.
class TypedScriptFiles
{
public:
    // The script's file, written unless it is there already; empty, with why set, when it cannot
    // be written.
    QString fileFor(const TypedScript &typed, QString *why);

private:
    std::unique_ptr<QTemporaryDir> folder; // made at the first typed script
};
