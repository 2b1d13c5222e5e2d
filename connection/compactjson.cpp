#include "compactjson.h"

#include <QCborValue>
#include <QJsonArray>
#include <QLocale>

namespace {

void writeValue(QString &out, const QJsonValue &value);

void writeString(QString &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out += QLatin1Char('"');
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u < 0x20) {
            out += QLatin1Char('\\');
            switch (u) {
            case u'\b':
                out += QLatin1Char('b');
                break;
            case u'\f':
                out += QLatin1Char('f');
                break;
            case u'\n':
                out += QLatin1Char('n');
                break;
            case u'\r':
                out += QLatin1Char('r');
                break;
            case u'\t':
                out += QLatin1Char('t');
                break;
            default:
                out += QLatin1String("u00");
                out += QLatin1Char(hex[u >> 4]);
                out += QLatin1Char(hex[u & 0xf]);
            }
        } else if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            // Half a pair is no character: written as its code, as Qt does.
            out += QLatin1String("\\u");
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QLatin1Char(hex[(u >> shift) & 0xf]);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

void writeObject(QString &out, const QJsonObject &object)
{
    out += QLatin1Char('{');
    bool first = true;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!first)
            out += QLatin1Char(',');
        first = false;
        writeString(out, it.key());
        out += QLatin1Char(':');
        writeValue(out, it.value());
    }
    out += QLatin1Char('}');
}

void writeValue(QString &out, const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Object:
        writeObject(out, value.toObject());
        break;
    case QJsonValue::Array: {
        out += QLatin1Char('[');
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            writeValue(out, array.at(i));
        }
        out += QLatin1Char(']');
        break;
    }
    case QJsonValue::Bool:
        out += value.toBool() ? QLatin1String("true") : QLatin1String("false");
        break;
    case QJsonValue::Double: {
        // A whole number kept as one is written exactly, any other the shortest way that
        // reads back the same.
        const QCborValue number = QCborValue::fromJsonValue(value);
        if (number.isInteger()) {
            out += QString::number(number.toInteger());
        } else if (qIsFinite(number.toDouble())) {
            out += QString::fromLatin1(
                QByteArray::number(number.toDouble(), 'g', QLocale::FloatingPointShortest));
        } else {
            out += QLatin1String("null");
        }
        break;
    }
    default:
        out += QLatin1String("null");
    }
}

} // namespace

void appendJsonString(QString &out, const QString &text)
{
    writeString(out, text);
}

QString compactJson(const QJsonObject &object)
{
    QString out;
    out.reserve(128);
    writeObject(out, object);
    return out;
}
