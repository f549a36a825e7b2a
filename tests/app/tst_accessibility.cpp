#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// What a screen reader gets from the running program over AT-SPI. The test starts its own
// session bus and X server, starts the program on them with the accessibility bridge on, and
// reads the window's tree over the accessibility bus as any AT-SPI client does.

namespace {

// An accessible object on the bus: who serves it and where.
struct ObjectRef {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument &operator<<(QDBusArgument &argument, const ObjectRef &ref)
{
    argument.beginStructure();
    argument << ref.service << ref.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, ObjectRef &ref)
{
    argument.beginStructure();
    argument >> ref.service >> ref.path;
    argument.endStructure();
    return argument;
}

const QString Accessible = QStringLiteral("org.a11y.atspi.Accessible");

struct Node {
    ObjectRef ref;
    QString role;
    QString name;
    QString description;
};

} // namespace

Q_DECLARE_METATYPE(ObjectRef)

class tst_Accessibility : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;
    QProcess sessionBus;
    QProcess display;
    QProcess program;
    std::optional<QDBusConnection> a11y;

    // Plain method calls: no introspection of the remote objects is needed.
    QDBusMessage call(const ObjectRef &ref, const QString &interface, const QString &method,
        const QVariantList &arguments = {})
    {
        QDBusMessage message
            = QDBusMessage::createMethodCall(ref.service, ref.path.path(), interface, method);
        message.setArguments(arguments);
        return a11y->call(message);
    }

    QVariant property(const ObjectRef &ref, const QString &name)
    {
        const QDBusReply<QDBusVariant> reply
            = call(ref, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                { Accessible, name });
        return reply.isValid() ? reply.value().variant() : QVariant();
    }

    QList<ObjectRef> children(const ObjectRef &ref)
    {
        const QDBusReply<QList<ObjectRef>> reply
            = call(ref, Accessible, QStringLiteral("GetChildren"));
        return reply.isValid() ? reply.value() : QList<ObjectRef>();
    }

    Node node(const ObjectRef &ref)
    {
        const QDBusReply<QString> role = call(ref, Accessible, QStringLiteral("GetRoleName"));
        return { ref, role.value(), property(ref, QStringLiteral("Name")).toString(),
            property(ref, QStringLiteral("Description")).toString() };
    }

    // The program's application object, as listed by the accessibility registry.
    std::optional<ObjectRef> findProgram()
    {
        const ObjectRef desktop { QStringLiteral("org.a11y.atspi.Registry"),
            QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root")) };
        for (const ObjectRef &application : children(desktop)) {
            if (property(application, QStringLiteral("Name")).toString() == u"Tembrik Timer")
                return application;
        }
        return std::nullopt;
    }

    QList<Node> walk(const ObjectRef &root)
    {
        QList<Node> nodes;
        QList<ObjectRef> pending { root };
        while (!pending.isEmpty()) {
            const ObjectRef ref = pending.takeFirst();
            nodes << node(ref);
            pending << children(ref);
        }
        return nodes;
    }

    static std::optional<Node> named(
        const QList<Node> &nodes, const QString &role, const QString &name)
    {
        for (const Node &n : nodes) {
            if (n.role == role && n.name == name)
                return n;
        }
        return std::nullopt;
    }

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<ObjectRef>();
        qDBusRegisterMetaType<QList<ObjectRef>>();
        QVERIFY(runtime.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

        sessionBus.setProcessEnvironment(environment);
        sessionBus.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1") });
        QVERIFY2(sessionBus.waitForReadyRead(10000), "dbus-daemon did not start");
        const QString busAddress = QString::fromUtf8(sessionBus.readLine().trimmed());

        display.start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("800x600x24") });
        QVERIFY2(display.waitForReadyRead(10000), "Xvfb did not start");
        const QString displayName = u':' + QString::fromUtf8(display.readLine().trimmed());

        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.insert(QStringLiteral("DISPLAY"), displayName);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("1"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(TEMBRIK_PROGRAM), {});
        QVERIFY(program.waitForStarted());

        // The accessibility bus is its own bus; the session bus tells where it is.
        QDBusConnection session
            = QDBusConnection::connectToBus(busAddress, QStringLiteral("session"));
        QVERIFY(session.isConnected());
        const QDBusReply<QString> address = session.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
        QVERIFY2(address.isValid(), qPrintable(address.error().message()));
        a11y = QDBusConnection::connectToBus(address.value(), QStringLiteral("a11y"));
        QVERIFY(a11y->isConnected());
    }

    void cleanupTestCase()
    {
        a11y.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("a11y"));
        QDBusConnection::disconnectFromBus(QStringLiteral("session"));
        for (QProcess *process : { &program, &display, &sessionBus }) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    void readsWindowWithoutSeeingIt()
    {
        std::optional<ObjectRef> application;
        QTRY_VERIFY_WITH_TIMEOUT((application = findProgram()).has_value(), 20000);
        QList<Node> nodes;
        QTRY_VERIFY_WITH_TIMEOUT(
            (nodes = walk(*application),
                named(nodes, QStringLiteral("push button"), QStringLiteral("Exit"))),
            20000);

        int buttons = 0;
        for (const Node &n : nodes)
            buttons += n.role == u"push button";
        QCOMPARE(buttons, 42);
        for (int channel = 1; channel <= 20; ++channel) {
            QVERIFY(named(nodes, QStringLiteral("push button"),
                QStringLiteral("Channel %1 Start/Stop").arg(channel)));
            QVERIFY(named(nodes, QStringLiteral("push button"),
                QStringLiteral("Channel %1 Reset").arg(channel)));
        }
        QVERIFY(named(nodes, QStringLiteral("push button"), QStringLiteral("Master Reset")));

        QStringList timeDescriptions;
        for (const Node &n : nodes) {
            if (n.role == u"label" && n.name == u"45:0")
                timeDescriptions << n.description;
        }
        timeDescriptions.sort();
        QStringList expected;
        for (int channel = 1; channel <= 20; ++channel)
            expected << QStringLiteral("Channel %1 time left").arg(channel);
        expected.sort();
        QCOMPARE(timeDescriptions, expected);
        QVERIFY(named(nodes, QStringLiteral("label"), QStringLiteral("Channel 7")));
        qInfo("read %lld accessible objects; for example Command6 reads \"%s\"",
            qlonglong(nodes.size()),
            qPrintable(
                named(nodes, QStringLiteral("push button"), QStringLiteral("Channel 3 Start/Stop"))
                    ->name));
    }

    // Pressing a Start/Stop button through the accessibility interface starts the channel, and
    // the time that a screen reader reads moves on.
    void startsChannelThroughAction()
    {
        const std::optional<ObjectRef> application = findProgram();
        QVERIFY(application);
        const QList<Node> nodes = walk(*application);
        const std::optional<Node> button
            = named(nodes, QStringLiteral("push button"), QStringLiteral("Channel 2 Start/Stop"));
        QVERIFY(button);
        std::optional<ObjectRef> time;
        for (const Node &n : nodes) {
            if (n.description == u"Channel 2 time left")
                time = n.ref;
        }
        QVERIFY(time);

        const QDBusReply<bool> pressed = call(button->ref, QStringLiteral("org.a11y.atspi.Action"),
            QStringLiteral("DoAction"), { 0 });
        QVERIFY2(pressed.isValid(), qPrintable(pressed.error().message()));
        const QRegularExpression counting(QStringLiteral("^44:5[0-9]$"));
        QTRY_VERIFY_WITH_TIMEOUT(
            counting.match(property(*time, QStringLiteral("Name")).toString()).hasMatch(), 10000);
        qInfo("Label2 now reads \"%s\"",
            qPrintable(property(*time, QStringLiteral("Name")).toString()));
    }
};

QTEST_GUILESS_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
