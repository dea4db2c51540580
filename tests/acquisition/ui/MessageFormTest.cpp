#include "acquisition/ui/uMessageForm.h"
#include "tests/WindowTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdint>
#include <vector>

namespace kesto::test {
namespace {

// FF FF, thirteen words of a plausible reading, FF FF: accepted by the decoder.
const std::vector<std::uint8_t> kGoodFrame = {
    0xFF, 0xFF, 0x00, 0x69, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96, 0x03, 0x70, 0x00, 0x64, 0x00,
    0x00, 0x00, 0xD2, 0x00, 0x28, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};
const char* const kGoodFrameText = "0069003200B4009603700064000000D2002800000005000080FAFFFF";
// O2 word 212: rejected with " O2 range error".
const std::vector<std::uint8_t> kO2RangeFrame = {
    0xFF, 0xFF, 0x00, 0xD4, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96, 0x03, 0x70, 0x00, 0x64, 0x00,
    0x00, 0x00, 0xD2, 0x00, 0x28, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};

QStringList lines(const TMessageFrm& window) {
    return window.messagesText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

} // namespace

class MessageFormTest : public QObject {
    Q_OBJECT

private slots:
    void addMessageOpensHiddenWindowAndStampsTheLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("leading blank gives two blanks before the text")
            << " O2 range error"
            << "07.03.2024 09:05:03  O2 range error";
        QTest::newRow("no-data message")
            << "No data error (data hold > 5 sec). Check connection !"
            << "07.03.2024 09:05:03 No data error (data hold > 5 sec). Check connection !";
        QTest::newRow("empty text") << ""
                                    << "07.03.2024 09:05:03 ";
    }
    void addMessageOpensHiddenWindowAndStampsTheLine() {
        QFETCH(QString, text);
        QFETCH(QString, line);
        FixedClock clock;
        TMessageFrm window(clock);
        QVERIFY(!window.isVisible());
        window.addMessage(text.toStdString());
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QCOMPARE(window.messagesText(), line);
    }

    void messagesAppendOneLinePerCallInOrder() {
        FixedClock clock;
        TMessageFrm window(clock);
        window.AddMessage(QStringLiteral("first"));
        clock.now = {2024, 12, 31, 23, 59, 58, 0};
        window.AddMessage(QStringLiteral("second"));
        QCOMPARE(lines(window), (QStringList{QStringLiteral("07.03.2024 09:05:03 first"),
                                             QStringLiteral("31.12.2024 23:59:58 second")}));
    }

    void everyHidingKeepsTheLinesAndReportsOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close button") << "button";
        QTest::newRow("close box") << "close";
        QTest::newRow("Esc key") << "escape";
    }
    void everyHidingKeepsTheLinesAndReportsOnce() {
        QFETCH(QString, how);
        FixedClock clock;
        TMessageFrm window(clock);
        int callbacks = 0;
        QObject::connect(&window, &TMessageFrm::hidden, [&callbacks] { ++callbacks; });
        QSignalSpy hiddenSignal(&window, &TMessageFrm::hidden);

        window.AddMessage(QStringLiteral("link lost"));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(callbacks, 0);

        auto hideIt = [&] {
            if (how == QLatin1String("button")) {
                auto* close = window.findChild<QPushButton*>(QStringLiteral("Button1"));
                QVERIFY(close != nullptr);
                QCOMPARE(close->text(), QStringLiteral("Close"));
                QTest::mouseClick(close, Qt::LeftButton);
            } else if (how == QLatin1String("close")) {
                window.close();
            } else {
                QTest::keyClick(&window, Qt::Key_Escape);
            }
        };
        hideIt();
        QVERIFY(!window.isVisible());
        QCOMPARE(callbacks, 1);
        QCOMPARE(hiddenSignal.count(), 1);

        window.hide(); // already hidden: no second report
        QCOMPARE(callbacks, 1);

        window.show(); // the picture click on the main window
        QCOMPARE(lines(window), QStringList{QStringLiteral("07.03.2024 09:05:03 link lost")});
        hideIt();
        QCOMPARE(callbacks, 2);
        QCOMPARE(hiddenSignal.count(), 2);
    }

    void logCheckBoxStartsUntickedAndKeepsItsStateBetweenShowings() {
        FixedClock clock;
        TMessageFrm window(clock);
        auto* box = window.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Write to logfile"));
        QVERIFY(!window.writeToLogfile());
        window.show();
        box->setChecked(true);
        window.hide();
        window.show();
        QVERIFY(window.writeToLogfile());
    }

    void logFileDefaultsToKestoLogInTheHomeFolder() {
        FixedClock clock;
        TMessageFrm window(clock);
        QCOMPARE(window.logFilePath(), QDir::homePath() + QStringLiteral("/KESTO.LOG"));
    }

    void frameMonitorUsesAFixedPitchFontSoTheRulerLinesUp() {
        FixedClock clock;
        TMessageFrm window(clock);
        window.show();
        window.showFrame(kFrameRuler, "09:05:03 0069FFFF", 8);
        auto* ruler = window.findChild<QLabel*>(QStringLiteral("Label3"));
        auto* frame = window.findChild<QLabel*>(QStringLiteral("Label1"));
        auto* count = window.findChild<QLabel*>(QStringLiteral("Label2"));
        QVERIFY(ruler && frame && count);
        QCOMPARE(ruler->text(), QString::fromLatin1(kFrameRuler.data(), kFrameRuler.size()));
        QCOMPARE(frame->text(), QStringLiteral("09:05:03 0069FFFF"));
        QCOMPARE(count->text(), QStringLiteral("8"));
        QCOMPARE(ruler->font(), frame->font());
        // Equal advances keep each byte number over its two hex digits, all along the line.
        const QFontMetrics metrics(ruler->font());
        const QString rulerText = ruler->text();
        const QString line = QStringLiteral("09:05:03 0069003200B4009603700064000000D2002800000005"
                                            "000080FA0012345678ABCDEF");
        QCOMPARE(line.size(), rulerText.size());
        QCOMPARE(metrics.horizontalAdvance(line), metrics.horizontalAdvance(rulerText));
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("1")),
                 metrics.horizontalAdvance(QStringLiteral(" ")));
    }

    // The decoder drives the window through MessageWindow and FrameLog.
    void decoderWritesMonitorAndLogFileOnlyWhileVisibleAndTicked_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("logged");
        QTest::addColumn<bool>("monitored");
        QTest::newRow("visible, ticked") << true << true << true << true;
        QTest::newRow("visible, unticked") << true << false << false << true;
        QTest::newRow("hidden, ticked") << false << true << false << false;
    }
    void decoderWritesMonitorAndLogFileOnlyWhileVisibleAndTicked() {
        QFETCH(bool, visible);
        QFETCH(bool, ticked);
        QFETCH(bool, logged);
        QFETCH(bool, monitored);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KESTO.LOG"));
        FixedClock clock;
        TMessageFrm window(clock, nullptr, path);
        window.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(ticked);
        if (visible) {
            window.show();
        }
        ReceivedTexts texts{};
        FrameDecoder decoder(texts, clock, &window, &window.frameLog());

        sendBurst(decoder, kGoodFrame, clock.tick);
        clock.tick += 1000;
        clock.now.second = 4;
        sendBurst(decoder, kGoodFrame, clock.tick);

        QCOMPARE(texts[0], std::string("105")); // the frame was taken either way
        const QByteArray expected = QByteArray("09:05:03 ") + kGoodFrameText + "\r\n" +
                                    QByteArray("09:05:04 ") + kGoodFrameText + "\r\n";
        QCOMPARE(readAll(path), logged ? expected : QByteArray());
        QCOMPARE(QFile::exists(path), logged);
        const auto* frameLabel = window.findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(frameLabel->text(),
                 monitored ? QStringLiteral("09:05:04 ") + QLatin1String(kGoodFrameText)
                           : QString());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 monitored ? QStringLiteral("56") : QString());
        QVERIFY(window.messagesText().isEmpty());
    }

    void unwritableLogIsReportedOnceAndFramesStillCount() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/KESTO.LOG"));
        FixedClock clock;
        TMessageFrm window(clock, nullptr, path);
        window.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
        window.show();
        ReceivedTexts texts{};
        FrameDecoder decoder(texts, clock, &window, &window.frameLog());

        for (int i = 0; i < 3; ++i) {
            sendBurst(decoder, kGoodFrame, clock.tick);
            clock.tick += 1000;
        }
        sendBurst(decoder, kO2RangeFrame, clock.tick);
        window.showCounters(decoder.counters());

        QCOMPARE(decoder.counters().framesAccepted, std::uint64_t{3});
        const QStringList list = lines(window);
        QCOMPARE(list.size(), 2);
        QVERIFY(list[0].startsWith(QStringLiteral("07.03.2024 09:05:03 Log file not written: ")));
        QVERIFY(list[0].contains(path));
        QCOMPARE(list[1], QStringLiteral("07.03.2024 09:05:03  O2 range error"));
        const QString counters = window.findChild<QLabel*>(QStringLiteral("CountersLabel"))->text();
        QVERIFY2(counters.contains(QStringLiteral("accepted: 3")), qPrintable(counters));
        QVERIFY2(counters.contains(QStringLiteral("rejected: 1")), qPrintable(counters));
    }

    void wordButtonIsDisabledUntilAnExportIsGiven() {
        FixedClock clock;
        TMessageFrm window(clock);
        window.show();
        auto* button = window.findChild<QPushButton*>(QStringLiteral("Button2"));
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QStringLiteral("Copy to Writer"));
        QVERIFY(!button->isEnabled());
        int exports = 0;
        window.setWordExport([&exports] { ++exports; });
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(exports, 1);
    }
};

int runMessageFormTests(int argc, char** argv) {
    MessageFormTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace kesto::test

#include "MessageFormTest.moc"
