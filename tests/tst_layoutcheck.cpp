// A dial's layout file as the host reads it: one row for each rule the maker refuses, and one
// layout with every property the host knows, which passes.
#include "plugin/layoutcheck.h"

#include <QJsonDocument>
#include <QtTest>

class LayoutCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
};

void LayoutCheckTest::rules_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("every property") << QByteArray(R"({"$schema":"x","id":"all","items":[
{"type":"text","key":"t","rect":[0,0,200,20],"value":"Hi","alignment":"left","color":"#fff",
 "font":{"size":16,"weight":600},"text-overflow":"fade","background":"#000","enabled":true,
 "opacity":0.3,"zOrder":700},
{"type":"pixmap","key":"p","rect":[0,20,48,48],"value":"x.svg","background":"#000",
 "enabled":false,"opacity":1,"zOrder":0},
{"type":"bar","key":"b","rect":[50,20,150,10],"value":5,"range":{"min":0,"max":10},
 "subtype":4,"border_w":1,"bar_bg_c":"#111","bar_border_c":"#222","bar_fill_c":"#333",
 "background":"#000","enabled":true,"opacity":0,"zOrder":1},
{"type":"gbar","key":"g-1_x","rect":[50,40,150,60],"value":2.5,"range":{"min":-1,"max":1},
 "subtype":0,"border_w":0,"bar_h":8,"bar_bg_c":"#111","bar_border_c":"#222",
 "bar_fill_c":"#333","background":"#000","enabled":true,"opacity":0.9,"zOrder":3}]})")
                                    << QStringList();
    QTest::newRow("no id") << QByteArray(R"({"items":[]})")
                           << QStringList{"it needs an \"id\", a string"};
    QTest::newRow("no items") << QByteArray(R"({"id":"a"})")
                              << QStringList{"it needs \"items\", a list"};
    QTest::newRow("a property no layout has")
        << QByteArray(R"({"id":"a","items":[],"name":"x"})")
        << QStringList{"\"name\" is no property of a layout; those are $schema, id and items"};
    QTest::newRow("an item no object") << QByteArray(R"({"id":"a","items":[3]})")
                                       << QStringList{"item 1: an item is a JSON object"};
    QTest::newRow("an unknown type")
        << QByteArray(R"({"id":"a","items":[{"type":"dial","key":"d","rect":[0,0,1,1]}]})")
        << QStringList{"item 1 (\"d\"): its type is text, pixmap, bar or gbar, not \"dial\""};
    QTest::newRow("a bar without its value")
        << QByteArray(R"({"id":"a","items":[{"type":"bar","key":"b","rect":[0,0,1,1]}]})")
        << QStringList{"item 1 (\"b\"): a bar item needs a \"value\""};
    QTest::newRow("no key")
        << QByteArray(R"({"id":"a","items":[{"type":"pixmap","rect":[0,0,1,1]}]})")
        << QStringList{"item 1: it needs a \"key\", the name setFeedback gives its value by"};
    QTest::newRow("a key with a space")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"a b","rect":[0,0,1,1]}]})")
        << QStringList{"item 1 (\"a b\"): \"key\" is letters, digits, \"-\" and \"_\""};
    QTest::newRow("visible, not enabled")
        << QByteArray(R"({"id":"a","items":[{},{"type":"pixmap","key":"p","rect":[0,0,1,1],
"visible":true}]})")
        << QStringList{"item 1: its type is text, pixmap, bar or gbar, not \"\"",
                       "item 2 (\"p\"): \"visible\" is no property of a pixmap item (\"enabled\" "
                       "shows or hides one); those are type, key, rect, background, enabled, "
                       "opacity, zOrder, value"};
    QTest::newRow("a text's property on a bar")
        << QByteArray(R"({"id":"a","items":[{"type":"bar","key":"b","rect":[0,0,1,1],"value":1,
"font":{"size":9}}]})")
        << QStringList{"item 1 (\"b\"): \"font\" is no property of a bar item; those are type, "
                       "key, rect, background, enabled, opacity, zOrder, value, range, subtype, "
                       "border_w, bar_bg_c, bar_border_c, bar_fill_c"};
    QTest::newRow("a rect off the strip")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[100,0,150,10]}]})")
        << QStringList{"item 1 (\"t\"): its \"rect\" is [x, y, width, height] inside the dial's "
                       "200 by 100 strip"};
    QTest::newRow("a rect of three")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,10]}]})")
        << QStringList{"item 1 (\"t\"): its \"rect\" is [x, y, width, height] inside the dial's "
                       "200 by 100 strip"};
    QTest::newRow("a zOrder over 700")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"zOrder":701}]})")
        << QStringList{"item 1 (\"t\"): \"zOrder\" is a number from 0 to 700"};
    QTest::newRow("a range without max")
        << QByteArray(R"({"id":"a","items":[{"type":"gbar","key":"g","rect":[0,0,1,1],"value":1,
"range":{"min":0}}]})")
        << QStringList{"item 1 (\"g\"): \"range\" is {\"min\": NUMBER, \"max\": NUMBER}"};
    QTest::newRow("a value of the wrong type")
        << QByteArray(R"({"id":"a","items":[{"type":"bar","key":"b","rect":[0,0,1,1],
"value":"5"}]})")
        << QStringList{"item 1 (\"b\"): \"value\" is a number"};
    QTest::newRow("enabled as a string")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"enabled":"yes"}]})")
        << QStringList{"item 1 (\"t\"): \"enabled\" is true or false"};
    QTest::newRow("an opacity between the tenths")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"opacity":0.25}]})")
        << QStringList{"item 1 (\"t\"): \"opacity\" is one of 0, 0.1, 0.2 ... 0.9, 1"};
    QTest::newRow("a subtype of 5")
        << QByteArray(R"({"id":"a","items":[{"type":"bar","key":"b","rect":[0,0,1,1],"value":1,
"subtype":5}]})")
        << QStringList{"item 1 (\"b\"): \"subtype\" is 0, 1, 2, 3 or 4"};
    QTest::newRow("an alignment the host has not")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"alignment":"justify"}]})")
        << QStringList{"item 1 (\"t\"): \"alignment\" is center, left or right"};
    QTest::newRow("a text-overflow the host has not")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"text-overflow":"wrap"}]})")
        << QStringList{"item 1 (\"t\"): \"text-overflow\" is clip, ellipsis or fade"};
    QTest::newRow("a font weight of 50")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"font":{"weight":50}}]})")
        << QStringList{"item 1 (\"t\"): \"font\" is {\"size\": NUMBER, \"weight\": 100 to 1000}"};
    QTest::newRow("a colour as a number")
        << QByteArray(R"({"id":"a","items":[{"type":"text","key":"t","rect":[0,0,1,1],
"color":255}]})")
        << QStringList{"item 1 (\"t\"): \"color\" is a string"};
}

void LayoutCheckTest::rules()
{
    QFETCH(QByteArray, layout);
    QFETCH(QStringList, problems);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(layout, &error);
    QVERIFY2(document.isObject(), qPrintable(error.errorString()));
    QCOMPARE(LayoutCheck::problems(document.object()), problems);
}

QTEST_GUILESS_MAIN(LayoutCheckTest)
#include "tst_layoutcheck.moc"
