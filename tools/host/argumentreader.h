#pragma once

#include "hostoptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

// Walks the arguments; each reader takes what it needs and reports problems once.
class ArgumentReader
{
public:
    ArgumentReader(const QStringList &arguments, HostOptions &options)
        : arguments(arguments)
        , options(options)
    {
    }

    bool atEnd() const { return index >= arguments.size() || !options.error.isEmpty(); }
    QString next() { return arguments.at(index++); }
    bool peekIs(const QString &word) const
    {
        return index < arguments.size() && arguments.at(index) == word;
    }

    QString value(const QString &option)
    {
        if (index >= arguments.size()) {
            fail(option + QStringLiteral(" needs a value"));
            return QString();
        }
        return next();
    }

    int signedNumber(const QString &option)
    {
        const QString text = value(option);
        bool ok = false;
        const int result = text.toInt(&ok);
        if (options.error.isEmpty() && !ok)
            fail(QStringLiteral("%1 takes a whole number, not \"%2\"").arg(option, text));
        return result;
    }
    int number(const QString &option, int minimum)
    {
        const QString text = value(option);
        bool ok = false;
        const int result = text.toInt(&ok);
        if (options.error.isEmpty() && (!ok || result < minimum))
            fail(QStringLiteral("%1 takes a whole number from %2 up, not \"%3\"")
                     .arg(option)
                     .arg(minimum)
                     .arg(text));
        return result;
    }

    QJsonObject object(const QString &option)
    {
        const QString text = value(option);
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
        if (options.error.isEmpty() && !document.isObject())
            fail(QStringLiteral("%1 takes a JSON object, not \"%2\"%3")
                     .arg(option, text,
                          parseError.error == QJsonParseError::NoError
                              ? QString()
                              : QStringLiteral(" (") + parseError.errorString() + ')'));
        return document.object();
    }

    void fail(const QString &message)
    {
        if (options.error.isEmpty())
            options.error = message;
    }

private:
    const QStringList &arguments;
    HostOptions &options;
    qsizetype index = 0;
};
