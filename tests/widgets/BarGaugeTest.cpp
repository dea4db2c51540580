#include "widgets/BarGauge.h"

#include <QAccessible>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using kesto::BarGauge;

namespace {

kesto::ChannelSettings o2Settings() {
    kesto::ChannelSettings s;
    s.firstName = "O2";
    s.displayName = "Oxygen";
    s.minimum = 0;
    s.maximum = 21;
    s.unit = "%";
    s.format = "0.0";
    s.colour = 0xFFFF00; // aqua, 0x00BBGGRR
    return s;
}

// Share of the middle pixel row that is painted in `colour`.
double paintedShare(const QImage& image, QColor colour) {
    const int y = image.height() / 2;
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) == colour) {
            ++count;
        }
    }
    return static_cast<double>(count) / image.width();
}

} // namespace

class BarGaugeTest : public QObject {
    Q_OBJECT

private slots:
    void writesValueInNumberFormatWithUnit_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("valueText");
        QTest::addColumn<QString>("barText");
        QTest::newRow("one decimal") << "0.0"
                                     << "%" << 10.5f << "10.5"
                                     << "10.5 %";
        QTest::newRow("whole, rounds up") << "0"
                                          << "ppm" << 49.6f << "50"
                                          << "50 ppm";
        QTest::newRow("two decimals, blank unit") << "0.00"
                                                  << " " << 1.5f << "1.50"
                                                  << "1.50  ";
        QTest::newRow("hash digits") << "##0.0"
                                     << "\u00B0C" << 0.25f << "0.3"
                                     << "0.3 \u00B0C";
        QTest::newRow("invalid channel shows 0") << "0.0"
                                                 << "m/s" << 0.0f << "0.0"
                                                 << "0.0 m/s";
        QTest::newRow("negative draught") << "0.00"
                                          << "hPa" << -0.12f << "-0.12"
                                          << "-0.12 hPa";
    }
    void writesValueInNumberFormatWithUnit() {
        QFETCH(QString, format);
        QFETCH(QString, unit);
        QFETCH(float, value);
        BarGauge gauge;
        auto s = o2Settings();
        s.format = format.toStdString();
        s.unit = unit.toStdString();
        gauge.setSettings(s);
        gauge.setValue(value);
        QTEST(gauge.valueText(), "valueText");
        QTEST(gauge.barText(), "barText");
    }

    void convertsStoredColourToScreenColour_data() {
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<QColor>("screen");
        QTest::newRow("red is 0x0000FF") << quint32{0x0000FF} << QColor(255, 0, 0);
        QTest::newRow("blue is 0xFF0000") << quint32{0xFF0000} << QColor(0, 0, 255);
        QTest::newRow("aqua") << quint32{0xFFFF00} << QColor(0, 255, 255);
        QTest::newRow("maroon") << quint32{0x000080} << QColor(128, 0, 0);
    }
    void convertsStoredColourToScreenColour() {
        QFETCH(quint32, stored);
        QFETCH(QColor, screen);
        BarGauge gauge;
        gauge.setColour(stored);
        QCOMPARE(gauge.barColour(), screen);
        QCOMPARE(gauge.colour(), stored);
    }

    void clampsFillToScaleRange_data() {
        QTest::addColumn<float>("minimum");
        QTest::addColumn<float>("maximum");
        QTest::addColumn<float>("value");
        QTest::addColumn<double>("fraction");
        QTest::newRow("middle") << 0.f << 20.f << 5.f << 0.25;
        QTest::newRow("below minimum") << 10.f << 20.f << 2.f << 0.0;
        QTest::newRow("above maximum") << 0.f << 21.f << 30.f << 1.0;
        QTest::newRow("offset range") << -100.f << 100.f << 0.f << 0.5;
        QTest::newRow("empty range") << 50.f << 50.f << 50.f << 0.0;
        QTest::newRow("reversed range") << 100.f << 0.f << 50.f << 0.0;
    }
    void clampsFillToScaleRange() {
        QFETCH(float, minimum);
        QFETCH(float, maximum);
        QFETCH(float, value);
        QFETCH(double, fraction);
        BarGauge gauge;
        gauge.setMinimum(minimum);
        gauge.setMaximum(maximum);
        gauge.setValue(value);
        QCOMPARE(gauge.fillFraction(), fraction);
    }

    void paintsBarInItsColourUpToTheValue() {
        BarGauge gauge;
        gauge.setSettings(o2Settings());
        gauge.resize(280, 21);
        gauge.setValue(10.5f); // half of 0..21
        const QImage half = gauge.grab().toImage();
        QVERIFY(qAbs(paintedShare(half, QColor(0, 255, 255)) - 0.5) < 0.1);
        QVERIFY(paintedShare(half, Qt::black) > 0.3);
        gauge.setValue(0);
        const QImage empty = gauge.grab().toImage();
        QCOMPARE(paintedShare(empty, QColor(0, 255, 255)), 0.0);
    }

    void emitsClickedOnLeftClick() {
        BarGauge gauge;
        gauge.resize(281, 21);
        QSignalSpy spy(&gauge, &BarGauge::clicked);
        QTest::mouseClick(&gauge, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QTest::mouseClick(&gauge, Qt::RightButton);
        QCOMPARE(spy.count(), 1);
    }

    void tellsAccessibilityToolsNameValueAndOneAction_data() {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("givenName");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("name and unit") << "Oxygen"
                                       << "%"
                                       << "0.0"
                                       << ""
                                       << "Oxygen [%]"
                                       << "4.3 %";
        QTest::newRow("blank unit") << "Lambda"
                                    << " "
                                    << "0.00"
                                    << ""
                                    << "Lambda"
                                    << "4.25";
        QTest::newRow("the window's name") << "CO"
                                           << "mg/m3"
                                           << "0"
                                           << "CO [mg/m3]"
                                           << "CO [mg/m3]"
                                           << "4 mg/m3";
    }
    void tellsAccessibilityToolsNameValueAndOneAction() {
        QFETCH(QString, displayName);
        QFETCH(QString, unit);
        QFETCH(QString, format);
        QFETCH(QString, givenName);
        BarGauge gauge;
        kesto::ChannelSettings s = o2Settings();
        s.displayName = displayName.toStdString();
        s.unit = unit.toStdString();
        s.format = format.toStdString();
        gauge.setSettings(s);
        gauge.setValue(4.25f);
        gauge.setAccessibleName(givenName);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&gauge);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->role(), QAccessible::ProgressBar);
        QTEST(iface->text(QAccessible::Name), "name");
        QTEST(iface->text(QAccessible::Value), "value");
        QTEST(iface->text(QAccessible::Description), "value");
        // Read-only: no value interface, which would bring "Increase" and "Decrease".
        QVERIFY(iface->valueInterface() == nullptr);
        QAccessibleActionInterface* actions = iface->actionInterface();
        QVERIFY(actions != nullptr);
        QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        QSignalSpy spy(&gauge, &BarGauge::clicked);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(spy.count(), 1);
        actions->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(spy.count(), 1);
    }

    void followsRenamesAndNewValues() {
        BarGauge gauge;
        gauge.setSettings(o2Settings());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&gauge);
        gauge.setValue(7);
        gauge.setDisplayName("O2");
        QCOMPARE(iface->text(QAccessible::Value), QString("7.0 %"));
        QCOMPARE(iface->text(QAccessible::Name), QString("O2 [%]"));
        gauge.setUnit("Vol%");
        QCOMPARE(iface->text(QAccessible::Name), QString("O2 [Vol%]"));
        QCOMPARE(iface->text(QAccessible::Value), QString("7.0 Vol%"));
    }

    void returnAndSpaceActAsAClick_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicks");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << 1;
        QTest::newRow("Shift+Space") << int(Qt::Key_Space) << int(Qt::ShiftModifier) << 1;
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
        QTest::newRow("Alt+Space") << int(Qt::Key_Space) << int(Qt::AltModifier) << 0;
        QTest::newRow("Right") << int(Qt::Key_Right) << int(Qt::NoModifier) << 0;
        QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
    }
    void returnAndSpaceActAsAClick() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        BarGauge gauge;
        QCOMPARE(gauge.focusPolicy(), Qt::StrongFocus);
        QSignalSpy spy(&gauge, &BarGauge::clicked);
        QTest::keyClick(&gauge, static_cast<Qt::Key>(key),
                        static_cast<Qt::KeyboardModifiers>(modifiers));
        QTEST(int(spy.count()), "clicks");
    }

    void focusIsMarkedOnTheBar() {
        QWidget window;
        auto* other = new QWidget(&window); // takes the focus first
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(0, 30, 10, 10);
        auto* gauge = new BarGauge(&window);
        gauge->setGeometry(0, 0, 281, 21);
        gauge->setSettings(o2Settings());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        const QImage plain = gauge->grab().toImage();
        gauge->setFocus();
        QTRY_VERIFY(gauge->hasFocus());
        const QImage marked = gauge->grab().toImage();
        // The mark runs along the edge; the empty bar there was black.
        QCOMPARE(plain.pixelColor(1, 1), QColor(Qt::black));
        QVERIFY(plain != marked);
        int white = 0;
        for (int x = 1; x < 280; ++x) {
            white += marked.pixelColor(x, 1) == QColor(Qt::white) ? 1 : 0;
        }
        QVERIFY2(white > 50, qPrintable(QString::number(white)));
    }
};

int runBarGaugeTests(int argc, char** argv) {
    BarGaugeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BarGaugeTest.moc"
