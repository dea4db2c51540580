#include "TestSupport.h"
#include "acquisition/Acquisition.h"
#include "serial/AnalyzerPort.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kesto::AnalyzerPort;
using kesto::Channel;
using kesto::PortMap;
using kesto::ProbeResult;
using kesto::test::PtyPair;

Q_DECLARE_METATYPE(kesto::ProbeResult)

class AnalyzerPortTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    fs::path dosDevices() const { return fs::path(tmp_.path().toStdString()) / "dosdevices"; }
    PortMap map() const { return PortMap(dosDevices()); }

private slots:
    void init() {
        fs::remove_all(dosDevices());
        fs::create_directories(dosDevices());
    }

    // The bytes go through the real serial stack: pty, QSerialPort, readyRead, the decoder,
    // the refresh. The frame arrives in two writes so the decoder must join two reads.
    void frameOnTheLineReachesTheChannels_data() {
        QTest::addColumn<bool>("referenceTicked");
        QTest::addColumn<double>("co");
        QTest::addColumn<double>("no");
        QTest::addColumn<double>("no2");
        QTest::newRow("no correction") << false << 50.0 << 40.0 << 5.0;
        // Corrected to 3.0 % reference oxygen at 10.5 % O2: factor (21 - 3) / (21 - 10.5).
        QTest::newRow("corrected to 3 % O2") << true << 85.7143 << 68.5714 << 8.5714;
    }
    void frameOnTheLineReachesTheChannels() {
        QFETCH(bool, referenceTicked);
        QFETCH(double, co);
        QFETCH(double, no);
        QFETCH(double, no2);
        PtyPair pty;
        QVERIFY(pty.ok());
        const PortMap m = map();
        QVERIFY(!m.createLink(3, pty.slavePath()).has_value());

        kesto::SystemClock clock;
        AnalyzerPort port(m);
        kesto::test::RecordingMessages messages;
        kesto::test::NullAlarm alarm;
        kesto::LiveAcquisition acq(clock, port, messages, alarm);
        for (auto& entry : acq.references()) {
            entry.checked = referenceTicked;
        }
        port.setBytesHandler([&acq](std::span<const std::uint8_t> b) { acq.onBytes(b); });
        port.setQuietHandler([&acq] { acq.onLineQuiet(); });
        QVERIFY(acq.probeAndOpen(3));
        QVERIFY(port.isOpen());
        QCOMPARE(QString::fromStdString(port.devicePath()),
                 QString::fromStdString(pty.slavePath()));

        QTest::qWait(150); // the line idle after opening: the decoder is in step
        QSignalSpy received(&port, &AnalyzerPort::bytesReceived);
        const QByteArray frame = kesto::test::exampleFrame();
        QVERIFY(pty.write(frame.left(11)));
        QVERIFY(received.wait(2000));
        QCOMPARE(acq.decoder().counters().framesFound, 0u);
        QVERIFY(pty.write(frame.mid(11)));
        QTRY_COMPARE_WITH_TIMEOUT(acq.decoder().counters().framesAccepted, 1u, 2000);

        acq.COMTimerGetData();
        QVERIFY(messages.messages.empty());
        const auto& d = acq.display();
        auto value = [&d](Channel c) { return static_cast<double>(d[kesto::index(c)].value); };
        for (std::size_t i = 0; i < kesto::kChannelCount; ++i) {
            QVERIFY2(d[i].valid, kesto::channelKey(kesto::channelAt(i)).data());
        }
        QCOMPARE(value(Channel::O2), 10.5);
        QCOMPARE(value(Channel::TG), 180.0);
        QCOMPARE(value(Channel::LAMBDA), 1.5);
        QCOMPARE(value(Channel::ETA), 88.0);
        QCOMPARE(value(Channel::CO2), 10.0);
        QCOMPARE(value(Channel::TR), 21.0);
        QCOMPARE(value(Channel::Zug), 2.5);
        QVERIFY(qAbs(value(Channel::CO) - co) < 1e-3);
        QVERIFY(qAbs(value(Channel::NO) - no) < 1e-3);
        QVERIFY(qAbs(value(Channel::NO2) - no2) < 1e-3);
    }

    // Readings near zero and a port opened in the middle of a frame, over a real line paced byte
    // by byte at 1200 baud: a first burst, then frames A (O2 11.2 %) and B (O2 11.3 %), 700 ms
    // apart. A whole first frame is read exactly, whatever its words; a tail is never shown.
    void pacedLineShowsEveryFrameExactly_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<bool>("idleBeforeFirst"); // the port was open before the burst began
        QTest::addColumn<QStringList>("accepted"); // the O2 text of every accepted frame
        QTest::addColumn<int>("slot");             // a received text of the first frame ...
        QTest::addColumn<QString>("text");         // ... and what it must be
        const QStringList all{"105", "112", "113"};
        QByteArray draught = kesto::test::exampleFrame();
        draught[26] = '\x7F';
        draught[27] = '\xFF';
        QByteArray co = kesto::test::exampleFrame();
        co[4] = co[5] = '\xFF';
        QByteArray tr = kesto::test::exampleFrame();
        tr[16] = tr[17] = '\xFF';
        QTest::newRow("draught -0.01 hPa") << draught << true << all << 12 << "-0.1";
        QTest::newRow("CO -1 ppm") << co << true << all << 1 << "-10";
        QTest::newRow("TR -0.1 C") << tr << true << all << 7 << "-1";
        QTest::newRow("opened in the middle of a frame")
            << kesto::test::exampleFrame().right(9) << false << QStringList{"112", "113"} << 0
            << "112";
        QTest::newRow("opened between the bytes of a delimiter")
            << kesto::test::exampleFrame().mid(1) << false << QStringList{"112", "113"} << 0
            << "112";
    }
    void pacedLineShowsEveryFrameExactly() {
        QFETCH(QByteArray, first);
        QFETCH(bool, idleBeforeFirst);
        QFETCH(QStringList, accepted);
        QFETCH(int, slot);
        QFETCH(QString, text);
        PtyPair pty;
        QVERIFY(pty.ok());
        kesto::SystemClock clock;
        AnalyzerPort port(map());
        kesto::test::RecordingMessages messages;
        kesto::test::NullAlarm alarm;
        kesto::LiveAcquisition acq(clock, port, messages, alarm);
        QStringList shown;
        std::vector<kesto::ReceivedTexts> texts;
        auto note = [&](auto&& step) {
            const auto before = acq.decoder().counters().framesAccepted;
            step();
            if (acq.decoder().counters().framesAccepted != before) {
                shown << QString::fromStdString(acq.texts()[0]);
                texts.push_back(acq.texts());
            }
        };
        port.setBytesHandler([&](std::span<const std::uint8_t> b) { note([&] { acq.onBytes(b); }); });
        port.setQuietHandler([&] { note([&] { acq.onLineQuiet(); }); });
        QVERIFY(!port.openPath(pty.slavePath()).has_value());
        if (idleBeforeFirst) {
            QTest::qWait(150);
        }

        auto frameWithO2 = [](char o2) {
            QByteArray f = kesto::test::exampleFrame();
            f[3] = o2;
            return std::vector<std::uint8_t>(f.begin(), f.end());
        };
        {
            kesto::test::PacedLine line(
                pty, {{first.begin(), first.end()}, frameWithO2(0x70), frameWithO2(0x71)}, 700);
            QTRY_VERIFY_WITH_TIMEOUT(line.done(), 10000);
            QTest::qWait(150);
        }
        QCOMPARE(shown, accepted);
        QCOMPARE(QString::fromStdString(texts.front()[static_cast<std::size_t>(slot)]), text);
        const kesto::ReceivedTexts b{"113", "500", "180", "150", "880", "100", "0", "210",
                                     "40",  "0",   "5",   "0",   "25",  "0",   "0", "0"};
        QVERIFY(texts.back() == b);
        QCOMPARE(acq.decoder().counters().framesRejected, 0u);
    }

    void probeTellsWhyAPortCannotBeOpened_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("port");
        QTest::addColumn<ProbeResult>("result");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("linked pty") << "pty" << 4 << ProbeResult::Opened << "";
        QTest::newRow("link to a missing device")
            << "dangling" << 4 << ProbeResult::NoDevice << "/nonexistent/ttyQ9 does not exist";
        QTest::newRow("number without a device")
            << "none" << 150 << ProbeResult::NoDevice << "COM150: no device";
        QTest::newRow("held by another program")
            << "busy" << 4 << ProbeResult::Busy << "in use by another program";
        QTest::newRow("no permission") << "unreadable" << 4 << ProbeResult::PermissionDenied
                                       << "sudo usermod -aG dialout $USER";
        QTest::newRow("not a serial device")
            << "file" << 4 << ProbeResult::OtherError << "COM4: cannot open";
        QTest::newRow("device node without hardware")
            << "node" << 4 << ProbeResult::NoDevice << "has no hardware behind it";
    }
    void probeTellsWhyAPortCannotBeOpened() {
        QFETCH(QString, setup);
        QFETCH(int, port);
        QFETCH(ProbeResult, result);
        QFETCH(QString, messagePart);
        if (setup == "unreadable" && ::geteuid() == 0) {
            QSKIP("running as root: every device is accessible, a permission error cannot occur");
        }
        PtyPair pty;
        QVERIFY(pty.ok());
        const PortMap m = map();
        const fs::path file = fs::path(tmp_.path().toStdString()) / "plainfile";
        AnalyzerPort holder(m);
        if (setup == "pty" || setup == "busy") {
            QVERIFY(!m.createLink(port, pty.slavePath()).has_value());
        } else if (setup == "dangling") {
            fs::create_symlink("/nonexistent/ttyQ9", m.linkPath(port));
        } else if (setup == "unreadable" || setup == "file") {
            std::ofstream(file) << "x";
            ::chmod(file.c_str(), setup == "unreadable" ? 0 : 0600);
            fs::create_symlink(file, m.linkPath(port));
        }
        if (setup == "node") {
            // ttyS191: the kernel has no such port registered, as with a PC's unused ttyS nodes.
            const fs::path node = fs::path(tmp_.path().toStdString()) / "ttyS191";
            if (::mknod(node.c_str(), S_IFCHR | 0600, makedev(4, 255)) != 0) {
                QSKIP("cannot create a device node here (needs CAP_MKNOD)");
            }
            fs::create_symlink(node, m.linkPath(port));
        }
        if (setup == "busy") {
            QVERIFY(!holder.open(port).has_value());
        }

        AnalyzerPort port2(m);
        const auto details = port2.probeDetailed(port);
        QCOMPARE(details.result, result);
        QCOMPARE(port2.probe(port), result == ProbeResult::Opened);
        QVERIFY2(QString::fromStdString(details.message).contains(messagePart),
                 details.message.c_str());
        if (result != ProbeResult::Opened) {
            // Opening fails the same way, with the same explanation.
            const auto error = port2.open(port);
            QVERIFY(error.has_value());
            QCOMPARE(QString::fromStdString(*error), QString::fromStdString(details.message));
            QVERIFY(!port2.isOpen());
        } else {
            // The probe closes at once: the port can be opened afterwards.
            QVERIFY(!port2.open(port).has_value());
        }
    }

    void unpluggedLineClosesThePortAndReportsIt() {
        auto pty = std::make_unique<PtyPair>();
        QVERIFY(pty->ok());
        AnalyzerPort port(map());
        QSignalSpy lost(&port, &AnalyzerPort::connectionLost);
        QVERIFY(!port.openPath(pty->slavePath()).has_value());
        QVERIFY(port.isOpen());
        pty->close();
        QTRY_VERIFY_WITH_TIMEOUT(!port.isOpen(), 3000);
        QCOMPARE(lost.count(), 1);
        QVERIFY(lost.first().first().toString().contains("connection lost"));
        // Closing again and flushing a closed port are harmless.
        port.close();
        port.flushInput();
        QVERIFY(!port.isOpen());
    }

    void flushInputDiscardsBytesWaitingInTheDriver() {
        PtyPair pty;
        QVERIFY(pty.ok());
        AnalyzerPort port(map());
        std::size_t delivered = 0;
        port.setBytesHandler(
            [&delivered](std::span<const std::uint8_t> b) { delivered += b.size(); });
        QVERIFY(!port.openPath(pty.slavePath()).has_value());
        QVERIFY(pty.write(QByteArray(20, '\x12')));
        // Let the bytes reach the slave's queue without giving the event loop a turn.
        ::usleep(50000);
        port.flushInput();
        QTest::qWait(200);
        QCOMPARE(delivered, std::size_t{0});
        QVERIFY(pty.write(QByteArray(5, '\x34')));
        QTRY_COMPARE_WITH_TIMEOUT(delivered, std::size_t{5}, 2000);
    }
};

int runAnalyzerPortTest(int argc, char** argv) {
    AnalyzerPortTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "AnalyzerPortTest.moc"
