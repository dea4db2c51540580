#include "acquisition/DateTimeFormat.h"
#include "tests/CoreFakes.h"
#include "widgets/TrendRecorder.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kesto;

namespace {

constexpr Colour kAqua = 0xFFFF00; // 0x00BBGGRR
constexpr Colour kYellow = 0x00FFFF;

TrendSlots twoSlots() {
    // First name, display name, minimum, maximum, unit, format, colour; the other slots empty.
    return {ChannelSettings{"O2", "O2", 0, 100, "%", "##0.0", kAqua},
            ChannelSettings{"CO", "CO", 0, 100, "ppm", "0", kYellow}};
}

SlotValues values(float o2, float co) {
    SlotValues v{};
    v[0] = o2;
    v[1] = co;
    return v;
}

// Record i: date-time 1000 + i days, O2 = i % 100, CO = 25.
void fill(TrendRecorder& t, int count) {
    for (int i = 0; i < count; ++i) {
        t.appendRecord(1000.0 + i, values(static_cast<float>(i % 100), 25));
    }
}

// A 300 columns wide chart without scale holding the two slots and 100 records.
std::unique_ptr<TrendRecorder> chartOf100Records() {
    auto t = std::make_unique<TrendRecorder>();
    t->setScaleVisible(false);
    t->resize(300, 100);
    t->setSlotSettings(twoSlots());
    fill(*t, 100);
    return t;
}

void sendMouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons buttons) {
    const QPointF pos(x, w->height() / 2);
    QMouseEvent e(type, pos, w->mapToGlobal(pos),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

int columnsWithColour(const QImage& image, int x0, int x1, QColor colour) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) == colour) {
                ++n;
                break;
            }
        }
    }
    return n;
}

} // namespace

class TrendRecorderTest : public QObject {
    Q_OBJECT

private slots:
    void mouseDragMovesTheCursorAndEveryMoveNotifies() {
        const auto chart = chartOf100Records();
        TrendRecorder& t = *chart;
        QSignalSpy spy(&t, &TrendRecorder::NewCursorPos);

        sendMouse(&t, QEvent::MouseButtonPress, 10, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QVERIFY(t.valueAtCursor().onRecord);
        QCOMPARE(t.valueAtCursor().time, 1010.0);
        QCOMPARE(t.valueAtCursor().values[0], 10.0f);

        sendMouse(&t, QEvent::MouseMove, 42, Qt::LeftButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(t.cursorColumn(), 42);
        QCOMPARE(t.valueAtCursor().values[0], 42.0f);

        // Into the columns without records, then out of the chart: the flag only.
        for (int x : {250, 400, -20}) {
            sendMouse(&t, QEvent::MouseMove, x, Qt::LeftButton);
            QVERIFY(!t.valueAtCursor().onRecord);
            QCOMPARE(t.valueAtCursor().time, 1042.0);
        }
        QCOMPARE(spy.count(), 5);

        sendMouse(&t, QEvent::MouseButtonRelease, -20, Qt::NoButton);
        // Without a pressed button the mouse only passes over.
        sendMouse(&t, QEvent::MouseMove, 5, Qt::NoButton);
        QCOMPARE(spy.count(), 5);
        QCOMPARE(t.cursorColumn(), -20);
    }

    // Left and Right also stand for the Decrease and Increase actions a screen reader offers.
    void arrowKeysMoveTheCursorRecordByRecord_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<bool>("asActions");
        QTest::addColumn<int>("column");
        QTest::newRow("first key puts it on the newest record")
            << QList<int>{Qt::Key_Left} << false << 99;
        QTest::newRow("then one column per key")
            << QList<int>{Qt::Key_End, Qt::Key_Left, Qt::Key_Left, Qt::Key_Right} << false << 98;
        QTest::newRow("home") << QList<int>{Qt::Key_Right, Qt::Key_Home} << false << 0;
        QTest::newRow("not before the chart")
            << QList<int>{Qt::Key_Home, Qt::Key_Left} << false << 0;
        QTest::newRow("page moves a grid division")
            << QList<int>{Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageDown} << false << 120;
        QTest::newRow("not past the chart")
            << QList<int>{Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown,
                          Qt::Key_PageDown}
            << false << 299;
        QTest::newRow("decrease puts it on the newest record")
            << QList<int>{Qt::Key_Left} << true << 99;
        QTest::newRow("then decrease and increase move one column")
            << QList<int>{Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Right} << true << 98;
    }

    void arrowKeysMoveTheCursorRecordByRecord() {
        QFETCH(QList<int>, keys);
        QFETCH(bool, asActions);
        QFETCH(int, column);
        const auto chart = chartOf100Records();
        TrendRecorder& t = *chart;
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(&t)->actionInterface();
        QVERIFY(actions != nullptr);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::decreaseAction()));
        QSignalSpy spy(&t, &TrendRecorder::NewCursorPos);
        for (int key : keys) {
            if (!asActions) {
                QTest::keyClick(&t, static_cast<Qt::Key>(key));
            } else {
                actions->doAction(key == Qt::Key_Left
                                      ? QAccessibleActionInterface::decreaseAction()
                                      : QAccessibleActionInterface::increaseAction());
            }
        }
        QCOMPARE(spy.count(), keys.size());
        QCOMPARE(t.cursorColumn(), column);
        if (column < 100) {
            QCOMPARE(t.valueAtCursor().values[0], static_cast<float>(column));
        }
    }

    void recordingSamplesTheCurrentValuesWithTheClocksTimeAndFlows() {
        test::FakeClock clock;
        clock.now = {2003, 1, 9, 10, 36, 2, 0};
        TrendRecorder t;
        t.setClock(&clock);
        t.setSlotSettings(twoSlots());
        t.resize(200 + TrendRecorder::kScaleWidth, 100);
        t.setRecording(true);
        QVERIFY(t.isRecording());
        t.setCurrentValue(0, 20.94f);
        t.setCurrentValue(1, 51);
        t.sample();
        QCOMPARE(t.recordCount(), std::size_t{1});
        QCOMPARE(t.model().store().time(0), toDateTimeValue(clock.now));
        QCOMPARE(t.model().store().value(0, 0), 20.94f);
        // The newest record stands in the rightmost column once the chart is full.
        for (int i = 0; i < 250; ++i) {
            t.setCurrentValue(0, static_cast<float>(i));
            t.sample();
        }
        t.moveCursorTo(t.chartWidth() - 1);
        QCOMPARE(t.valueAtCursor().values[0], 249.0f);
        // The own sampling clock records once a second by itself.
        QTRY_COMPARE_WITH_TIMEOUT(t.recordCount(), std::size_t{253}, 5000);
        t.setRecording(false);
        QVERIFY(!t.isRecording());
    }

    void fullStorePaintsOnlyTheVisibleColumns() {
        TrendRecorder t;
        t.setScaleVisible(false);
        t.resize(1920, 200);
        t.setSlotSettings(twoSlots());
        // 60000 records: CO at 25 throughout, O2 at 90 only in the last 500.
        for (int i = 0; i < 60000; ++i) {
            t.appendRecord(i, values(i >= 59500 ? 90.0f : 10.0f, 25));
        }
        t.setRecording(false);
        QImage image = t.grab().toImage();
        // The viewer's window starts at the first record: O2 low everywhere, CO drawn across.
        const QColor aqua(0, 255, 255);
        const QColor yellow(255, 255, 0);
        QCOMPARE(columnsWithColour(image, 0, 1919, yellow), 1920);
        const int rowAt90 = t.chartRect().bottom() - static_cast<int>(0.9 * 199 + 0.5);
        QCOMPARE(image.pixelColor(100, rowAt90), QColor(Qt::black));

        // Shifted to the end: the last 500 records stand at 90 in the columns that show them.
        t.shift(60000 - 1920);
        image = t.grab().toImage();
        QCOMPARE(image.pixelColor(1919, rowAt90), aqua);
        QCOMPARE(image.pixelColor(1420, rowAt90), aqua);
        QCOMPARE(image.pixelColor(1000, rowAt90), QColor(Qt::black));
    }

    void gridLinesStandEverySixtyColumnsAndMoveWithTheRecords() {
        TrendRecorder t;
        t.setScaleVisible(false);
        t.resize(300, 60);
        const QColor grid = t.grab().toImage().pixelColor(0, 3);
        QVERIFY(grid != QColor(Qt::black));
        auto gridColumns = [&] {
            const QImage image = t.grab().toImage();
            QList<int> columns;
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, 3) == grid) {
                    columns << x;
                }
            }
            return columns;
        };
        QCOMPARE(gridColumns(), (QList<int>{0, 60, 120, 180, 240}));
        fill(t, 1000);
        t.shift(25);
        QCOMPARE(gridColumns(), (QList<int>{35, 95, 155, 215, 275}));
    }

    void tellsAccessibilityToolsNameAndValueAtTheCursor() {
        dateTimePatterns() = DateTimePatterns{};
        TrendRecorder t;
        t.setAccessibleName("Diagram 1");
        t.resize(300, 100);
        t.setSlotSettings(twoSlots());
        t.appendRecord(toDateTimeValue({2003, 1, 9, 10, 36, 2, 0}), values(20.94f, 51));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&t);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->role(), QAccessible::Chart);
        QCOMPARE(iface->text(QAccessible::Name), QString("Diagram 1"));
        QVERIFY(iface->text(QAccessible::Value).contains("No record"));
        QVERIFY(t.focusPolicy() & Qt::TabFocus);

        QTest::keyClick(&t, Qt::Key_Home);
        QCOMPARE(iface->text(QAccessible::Value), QString("O2 09.01.2003 10:36:02 20.9 %"));
        t.setAbsScaleCh(2);
        QCOMPARE(iface->text(QAccessible::Value), QString("CO 09.01.2003 10:36:02 51 ppm"));
        QAccessibleValueInterface* value = iface->valueInterface();
        QVERIFY(value != nullptr);
        QCOMPARE(value->currentValue().toDouble(), 51.0);
        QCOMPARE(value->maximumValue().toDouble(), 100.0);
        QTest::keyClick(&t, Qt::Key_Right); // off the only record
        QVERIFY(iface->text(QAccessible::Value).startsWith("CO 09.01.2003 10:36:02 51 ppm"));
        QVERIFY(iface->text(QAccessible::Value).contains("outside"));
    }
};

int runTrendRecorderTests(int argc, char** argv) {
    TrendRecorderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrendRecorderTest.moc"
