#include "layoutcheck.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <cmath>

namespace {

// What a property's value must be.
enum class Kind {
    Type,      // the item's type, checked first
    Text,      // any string: colours, pictures, words
    Number,    // any number
    Boolean,   // true or false
    Key,       // letters, digits, "-" and "_"
    Rect,      // [x, y, width, height] on the strip
    Range,     // {"min": N, "max": N}
    Opacity,   // 0, 0.1 ... 1
    ZOrder,    // 0 to 700
    Subtype,   // 0 to 4
    Alignment, // center, left or right
    Overflow,  // clip, ellipsis or fade
    Font,      // {"size": N, "weight": 100 to 1000}
};

// A property the host reads on items of one type, or on all of them where type is empty.
struct Property
{
    const char *type;
    const char *name;
    Kind kind;
    bool required;
};

const Property properties[] = {
    {"", "type", Kind::Type, true},
    {"", "key", Kind::Key, true},
    {"", "rect", Kind::Rect, true},
    {"", "background", Kind::Text, false},
    {"", "enabled", Kind::Boolean, false},
    {"", "opacity", Kind::Opacity, false},
    {"", "zOrder", Kind::ZOrder, false},
    {"text", "value", Kind::Text, false},
    {"text", "alignment", Kind::Alignment, false},
    {"text", "color", Kind::Text, false},
    {"text", "font", Kind::Font, false},
    {"text", "text-overflow", Kind::Overflow, false},
    {"pixmap", "value", Kind::Text, false},
    {"bar", "value", Kind::Number, true},
    {"bar", "range", Kind::Range, false},
    {"bar", "subtype", Kind::Subtype, false},
    {"bar", "border_w", Kind::Number, false},
    {"bar", "bar_bg_c", Kind::Text, false},
    {"bar", "bar_border_c", Kind::Text, false},
    {"bar", "bar_fill_c", Kind::Text, false},
    {"gbar", "value", Kind::Number, true},
    {"gbar", "range", Kind::Range, false},
    {"gbar", "subtype", Kind::Subtype, false},
    {"gbar", "border_w", Kind::Number, false},
    {"gbar", "bar_bg_c", Kind::Text, false},
    {"gbar", "bar_border_c", Kind::Text, false},
    {"gbar", "bar_fill_c", Kind::Text, false},
    {"gbar", "bar_h", Kind::Number, false},
};

// The strip of one dial is 200 by 100 pixels.
constexpr int stripWidth = 200;
constexpr int stripHeight = 100;

bool appliesTo(const Property &property, const QString &type)
{
    return !*property.type || type == QLatin1String(property.type);
}

bool isNumberIn(const QJsonValue &value, double lowest, double highest)
{
    return value.isDouble() && value.toDouble() >= lowest && value.toDouble() <= highest;
}

bool isWholeIn(const QJsonValue &value, int lowest, int highest)
{
    return isNumberIn(value, lowest, highest) && value.toDouble() == std::floor(value.toDouble());
}

bool isOneOf(const QJsonValue &value, const QStringList &words)
{
    return value.isString() && words.contains(value.toString());
}

// An object holding only numbers under the names given, with those required present.
bool isNumbers(const QJsonValue &value, const QStringList &names, const QStringList &required)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject())
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!names.contains(it.key()) || !it.value().isDouble())
            return false;
    }
    for (const QString &name : required) {
        if (!object.contains(name))
            return false;
    }
    return true;
}

bool isRect(const QJsonValue &value)
{
    const QJsonArray rect = value.toArray();
    return value.isArray() && rect.size() == 4 && isNumberIn(rect.at(0), 0, stripWidth) &&
           isNumberIn(rect.at(1), 0, stripHeight) && isNumberIn(rect.at(2), 0, stripWidth) &&
           isNumberIn(rect.at(3), 0, stripHeight) &&
           rect.at(0).toDouble() + rect.at(2).toDouble() <= stripWidth &&
           rect.at(1).toDouble() + rect.at(3).toDouble() <= stripHeight;
}

// Whether value is one the host takes for the kind; empty when it is, else the rule.
QString whyNot(Kind kind, const QString &name, const QJsonValue &value)
{
    static const QRegularExpression key(QStringLiteral("^[A-Za-z0-9_-]+$"));
    switch (kind) {
    case Kind::Type:
        return isOneOf(value, {QStringLiteral("text"), QStringLiteral("pixmap"),
                               QStringLiteral("bar"), QStringLiteral("gbar")})
                   ? QString()
                   : QStringLiteral("its type is text, pixmap, bar or gbar, not \"%1\"")
                         .arg(value.toVariant().toString());
    case Kind::Text:
        return value.isString() ? QString() : QStringLiteral("\"%1\" is a string").arg(name);
    case Kind::Number:
        return value.isDouble() ? QString() : QStringLiteral("\"%1\" is a number").arg(name);
    case Kind::Boolean:
        return value.isBool() ? QString() : QStringLiteral("\"%1\" is true or false").arg(name);
    case Kind::Key:
        return value.isString() && key.match(value.toString()).hasMatch()
                   ? QString()
                   : QStringLiteral("\"key\" is letters, digits, \"-\" and \"_\"");
    case Kind::Rect:
        return isRect(value) ? QString()
                             : QStringLiteral("its \"rect\" is [x, y, width, height] inside the "
                                              "dial's %1 by %2 strip")
                                   .arg(stripWidth)
                                   .arg(stripHeight);
    case Kind::Range:
        return isNumbers(value, {QStringLiteral("min"), QStringLiteral("max")},
                         {QStringLiteral("min"), QStringLiteral("max")})
                   ? QString()
                   : QStringLiteral("\"range\" is {\"min\": NUMBER, \"max\": NUMBER}");
    case Kind::Opacity:
        return isNumberIn(value, 0, 1) &&
                       std::abs(value.toDouble() * 10 - std::round(value.toDouble() * 10)) < 1e-9
                   ? QString()
                   : QStringLiteral("\"opacity\" is one of 0, 0.1, 0.2 ... 0.9, 1");
    case Kind::ZOrder:
        return isNumberIn(value, 0, 700) ? QString()
                                         : QStringLiteral("\"zOrder\" is a number from 0 to 700");
    case Kind::Subtype:
        return isWholeIn(value, 0, 4) ? QString()
                                      : QStringLiteral("\"subtype\" is 0, 1, 2, 3 or 4");
    case Kind::Alignment:
        return isOneOf(value,
                       {QStringLiteral("center"), QStringLiteral("left"), QStringLiteral("right")})
                   ? QString()
                   : QStringLiteral("\"alignment\" is center, left or right");
    case Kind::Overflow:
        return isOneOf(value,
                       {QStringLiteral("clip"), QStringLiteral("ellipsis"), QStringLiteral("fade")})
                   ? QString()
                   : QStringLiteral("\"text-overflow\" is clip, ellipsis or fade");
    case Kind::Font:
        return isNumbers(value, {QStringLiteral("size"), QStringLiteral("weight")}, {}) &&
                       (!value.toObject().contains(QLatin1String("weight")) ||
                        isNumberIn(value.toObject().value(QLatin1String("weight")), 100, 1000))
                   ? QString()
                   : QStringLiteral("\"font\" is {\"size\": NUMBER, \"weight\": 100 to 1000}");
    }
    return QString();
}

// The problems of one item, each the rule it breaks.
QStringList itemProblems(const QJsonValue &value)
{
    if (!value.isObject())
        return {QStringLiteral("an item is a JSON object")};
    const QJsonObject item = value.toObject();
    const QString type = item.value(QLatin1String("type")).toString();
    if (const QString why = whyNot(Kind::Type, QString(), item.value(QLatin1String("type")));
        !why.isEmpty())
        return {why};
    QStringList problems;
    for (auto it = item.begin(); it != item.end(); ++it) {
        const Property *known = nullptr;
        QStringList names;
        for (const Property &property : properties) {
            if (!appliesTo(property, type))
                continue;
            names << QLatin1String(property.name);
            if (it.key() == QLatin1String(property.name))
                known = &property;
        }
        if (!known) {
            problems << QStringLiteral("\"%1\" is no property of a %2 item%3; those are %4")
                            .arg(it.key(), type,
                                 it.key() == QLatin1String("visible")
                                     ? QStringLiteral(" (\"enabled\" shows or hides one)")
                                     : QString(),
                                 names.join(QStringLiteral(", ")));
        } else if (const QString why = whyNot(known->kind, it.key(), it.value()); !why.isEmpty()) {
            problems << why;
        }
    }
    for (const Property &property : properties) {
        if (appliesTo(property, type) && property.required &&
            !item.contains(QLatin1String(property.name)))
            problems << (property.kind == Kind::Key
                             ? QStringLiteral("it needs a \"key\", the name setFeedback gives its "
                                              "value by")
                             : QStringLiteral("a %1 item needs a \"%2\"").arg(type, property.name));
    }
    return problems;
}

} // namespace

QStringList LayoutCheck::problems(const QJsonObject &layout)
{
    QStringList problems;
    for (auto it = layout.begin(); it != layout.end(); ++it) {
        if (it.key() != QLatin1String("$schema") && it.key() != QLatin1String("id") &&
            it.key() != QLatin1String("items"))
            problems << QStringLiteral("\"%1\" is no property of a layout; those are $schema, id "
                                       "and items")
                            .arg(it.key());
    }
    if (!layout.value(QLatin1String("id")).isString())
        problems << QStringLiteral("it needs an \"id\", a string");
    if (!layout.value(QLatin1String("items")).isArray()) {
        problems << QStringLiteral("it needs \"items\", a list");
        return problems;
    }
    const QJsonArray items = layout.value(QLatin1String("items")).toArray();
    for (qsizetype index = 0; index < items.size(); ++index) {
        const QString key = items.at(index).toObject().value(QLatin1String("key")).toString();
        for (const QString &why : itemProblems(items.at(index)))
            problems << QStringLiteral("item %1%2: %3")
                            .arg(index + 1)
                            .arg(key.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(key),
                                 why);
    }
    return problems;
}
