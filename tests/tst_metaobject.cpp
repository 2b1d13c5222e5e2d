// The meta-objects: method order and signatures are what callers through the meta-object use.
#include "app/plugin.h"
#include "connection/qstreamdeckplugin.h"

#include <QtTest>

class MetaObjectTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostConnectionMethods();
    void pluginMethods();
};

void MetaObjectTest::hostConnectionMethods()
{
    const QList<QPair<QMetaMethod::MethodType, QByteArray>> expected{
        {QMetaMethod::Signal, "deviceDidConnect(QString,QJsonObject&)"},
        {QMetaMethod::Signal, "deviceDidDisconnect(QString)"},
        {QMetaMethod::Signal, "keyDown(QStreamDeckAction)"},
        {QMetaMethod::Signal, "keyUp(QStreamDeckAction)"},
        {QMetaMethod::Signal, "willAppear(QStreamDeckAction)"},
        {QMetaMethod::Signal, "willDisappear(QStreamDeckAction)"},
        {QMetaMethod::Signal, "titleParametersDidChange(QStreamDeckAction)"},
        {QMetaMethod::Signal, "applicationDidLaunch(QString,QJsonObject&)"},
        {QMetaMethod::Signal, "applicationDidTerminate(QString,QJsonObject&)"},
        {QMetaMethod::Signal, "propertyInspectorDidAppear(QStreamDeckAction)"},
        {QMetaMethod::Signal, "propertyInspectorDidDisappear(QStreamDeckAction)"},
        {QMetaMethod::Signal, "sendToPlugin(QStreamDeckAction)"},
        {QMetaMethod::Signal, "didReceiveSettings(QStreamDeckAction)"},
        {QMetaMethod::Signal, "didReceiveGlobalSettings(QStreamDeckAction)"},
        {QMetaMethod::Signal, "systemDidWakeUp()"},
        {QMetaMethod::Slot, "setSettings(QJsonObject&,QString)"},
        {QMetaMethod::Slot, "setGlobalSettings(QJsonObject&,QString)"},
        {QMetaMethod::Slot, "getSettings(QString)"},
        {QMetaMethod::Slot, "getGlobalSettings(QString)"},
        {QMetaMethod::Slot, "openURL(QString)"},
        {QMetaMethod::Slot, "setState(int,QString)"},
        {QMetaMethod::Slot, "setTitle(QString,QString,ESDSDKTarget)"},
        {QMetaMethod::Slot, "setTitle(QString,QString)"},
        {QMetaMethod::Slot, "setImage(QString,QString,ESDSDKTarget)"},
        {QMetaMethod::Slot, "setImage(QString,QString)"},
        {QMetaMethod::Slot, "showAlert(QString)"},
        {QMetaMethod::Slot, "showOk(QString)"},
        {QMetaMethod::Slot, "sendToPropertyInspector(QString,QString,QJsonObject&)"},
        {QMetaMethod::Slot, "switchProfile(QString,QString)"},
        {QMetaMethod::Slot, "logMessage(QString)"},
        {QMetaMethod::Slot, "cleanup()"},
        {QMetaMethod::Slot, "streamdeck_onConnected()"},
        {QMetaMethod::Slot, "streamdeck_onDisconnected()"},
        {QMetaMethod::Slot, "streamdeck_onDataReceived(QString)"},
    };

    const QMetaObject &meta = QStreamDeckPlugin::staticMetaObject;
    QCOMPARE(meta.className(), "QStreamDeckPlugin");
    QCOMPARE(meta.superClass(), &QObject::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), int(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected[i].second);
        QCOMPARE(method.methodType(), expected[i].first);
        QCOMPARE(method.access(), i >= 31 ? QMetaMethod::Private : QMetaMethod::Public);
    }
    QCOMPARE(meta.method(meta.methodOffset() + 2).parameterMetaType(0),
             QMetaType::fromType<QStreamDeckAction>());
    QCOMPARE(meta.method(meta.methodOffset() + 21).parameterMetaType(2),
             QMetaType::fromType<int>());
}

void MetaObjectTest::pluginMethods()
{
    const QMetaObject &meta = Plugin::staticMetaObject;
    QCOMPARE(meta.className(), "Plugin");
    QCOMPARE(meta.superClass(), &QObject::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    const QMetaMethod onKeyDown = meta.method(meta.methodOffset());
    QCOMPARE(onKeyDown.methodSignature(), QByteArray("onKeyDown(QStreamDeckAction)"));
    QCOMPARE(onKeyDown.methodType(), QMetaMethod::Slot);
    QCOMPARE(onKeyDown.parameterNames(), QList<QByteArray>{"a"});
    QCOMPARE(onKeyDown.parameterMetaType(0), QMetaType::fromType<QStreamDeckAction>());
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
    QCOMPARE(meta.enumeratorCount() - meta.enumeratorOffset(), 0);
}

QTEST_GUILESS_MAIN(MetaObjectTest)
#include "tst_metaobject.moc"
