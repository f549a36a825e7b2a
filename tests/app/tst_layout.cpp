#include "frmtb.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

// The window's exact form. Expected places come from the layout as measured in twips (15 to a
// pixel) and are converted here, independently of how the window computes them.
class tst_Layout : public QObject {
    Q_OBJECT

    std::unique_ptr<frmTB> window;

    static QRect fromTwips(int left, int top, int width, int height)
    {
        return { left / 15, top / 15, width / 15, height / 15 };
    }

    QWidget *control(const QString &name) const
    {
        auto *widget = window->findChild<QWidget *>(name);
        if (!widget)
            qFatal("no control named %s", qPrintable(name));
        return widget;
    }

private slots:
    void init() { window = std::make_unique<frmTB>(); }
    void cleanup() { window.reset(); }

    void titleAndSize()
    {
        QCOMPARE(window->windowTitle().toUtf8(), QByteArray("Tembrik Timer Ver 1.0  by Kestrune"));
        QCOMPARE(window->size(), QSize(9855 / 15, 5610 / 15));
        QVERIFY(window->windowFlags().testFlag(Qt::Window));
        QCOMPARE(window->minimumSize(), QSize(0, 0));
        QCOMPARE(window->windowIcon().availableSizes().value(0), QSize(16, 14));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");

        const int columnLeft[] = { 120, 1440, 2760, 4080, 5400, 6720, 8040 };
        const int rowTop[] = { 120, 1920, 3720 };
        const int startStop[]
            = { 1, 3, 6, 8, 10, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39 };
        const int reset[]
            = { 2, 4, 5, 7, 9, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40 };
        for (int n = 1; n <= 20; ++n) {
            const int left = columnLeft[(n - 1) % 7];
            const int top = rowTop[(n - 1) / 7];
            const QString channelLabel
                = (n == 1 ? QStringLiteral("lblchan%1") : QStringLiteral("lblChan%1")).arg(n);
            QTest::addRow("%s", qPrintable(channelLabel))
                << channelLabel << fromTwips(left, top, 1215, 255)
                << QStringLiteral("Channel %1").arg(n) << 11 << true;
            QTest::addRow("Label%d", n)
                << QStringLiteral("Label%1").arg(n) << fromTwips(left, top + 360, 1215, 375)
                << QStringLiteral("45:0") << (n == 1 ? 13 : 11) << true;
            QTest::addRow("Command%d", startStop[n - 1])
                << QStringLiteral("Command%1").arg(startStop[n - 1])
                << fromTwips(left, top + 840, 1215, 375) << QStringLiteral("Start/Stop") << 11
                << false;
            QTest::addRow("Command%d", reset[n - 1])
                << QStringLiteral("Command%1").arg(reset[n - 1])
                << fromTwips(left, top + 1200, 1215, 495) << QStringLiteral("Reset") << 11 << false;
        }
        QTest::newRow("Command41")
            << QStringLiteral("Command41") << fromTwips(8280, 3840, 1215, 615)
            << QStringLiteral("Master Reset") << 13 << true;
        QTest::newRow("Command42")
            << QStringLiteral("Command42") << fromTwips(8280, 4440, 1215, 855)
            << QStringLiteral("Exit") << 13 << true;
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, caption);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);

        QWidget *widget = control(name);
        QCOMPARE(widget->geometry(), rect);
        QCOMPARE(widget->font().pixelSize(), pixelSize);
        QCOMPARE(widget->font().bold(), bold);
        const QString family = QFontInfo(widget->font()).family();
        QVERIFY2(family == u"MS Sans Serif" || family == u"Liberation Sans", qPrintable(family));
        QVERIFY(!widget->autoFillBackground() || widget->backgroundRole() == QPalette::Button);

        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        } else {
            auto *label = qobject_cast<QLabel *>(widget);
            QVERIFY(label);
            QCOMPARE(label->text(), caption);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            QVERIFY(label->autoFillBackground());
            QVERIFY(label->alignment() & Qt::AlignTop);
            QCOMPARE(label->frameShape(), QFrame::NoFrame);
            if (name.startsWith(u"lbl"))
                QVERIFY(label->alignment() & Qt::AlignLeft);
            QCOMPARE(label->palette().color(label->foregroundRole()),
                window->palette().color(QPalette::ButtonText));
        }
        QVERIFY(!caption.contains(u'&'));
    }

    // Resizing moves nothing: the controls keep their places whatever the window's size.
    void resizeMovesNothing()
    {
        QList<QRect> before;
        const auto widgets = window->findChildren<QWidget *>();
        for (QWidget *widget : widgets)
            before << widget->geometry();
        for (const QSize size : { QSize(300, 200), QSize(1600, 1000) }) {
            window->resize(size);
            window->show();
            QCoreApplication::processEvents();
            for (int i = 0; i < widgets.size(); ++i)
                QCOMPARE(widgets[i]->geometry(), before[i]);
        }
    }

    // Tab walks the buttons in number order; so channels 3 to 5 take Reset before Start/Stop.
    void focusChain()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
        for (int next = 2; next <= 42; ++next) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(
                QApplication::focusWidget()->objectName(), QStringLiteral("Command%1").arg(next));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
