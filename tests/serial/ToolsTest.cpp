#include "TestSupport.h"
#include "acquisition/Acquisition.h"
#include "acquisition/Channels.h"
#include "serial/AnalyzerPort.h"
#include "serial/AnalyzerSearch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The simulator and the monitor as separate processes, the way a user runs them.
class ToolsTest : public QObject {
    Q_OBJECT

    QTemporaryDir config_;
    QTemporaryDir deviceRoot_; // what the tools take for "/" when looking for adapters

    QProcessEnvironment environment() const {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path());
        env.insert("KESTO_DEVICE_ROOT", deviceRoot_.path());
        return env;
    }

    // Starts the simulator with --print-path and returns the pty path it prints.
    QString startSimulator(QProcess& sim, QStringList args) {
        sim.setProcessEnvironment(environment());
        args << "--print-path";
        sim.start(KESTO_SIM_PATH, args);
        if (!sim.waitForStarted(5000)) {
            return {};
        }
        QByteArray out;
        while (!out.contains('\n') && sim.waitForReadyRead(5000)) {
            out += sim.readAllStandardOutput();
        }
        return QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    }

    struct Run {
        int exitCode = -1;
        QStringList lines;
        QString errors;
    };

    Run runMonitor(const QStringList& args, int timeoutMs = 15000) {
        QProcess monitor;
        monitor.setProcessEnvironment(environment());
        monitor.start(KESTO_MONITOR_PATH, args);
        Run r;
        if (!monitor.waitForFinished(timeoutMs)) {
            monitor.kill();
            monitor.waitForFinished();
            return r;
        }
        r.exitCode = monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1;
        r.lines =
            QString::fromUtf8(monitor.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.errors = QString::fromUtf8(monitor.readAllStandardError());
        return r;
    }

    static void stop(QProcess& p) {
        if (p.state() != QProcess::NotRunning) {
            p.terminate();
            if (!p.waitForFinished(5000)) {
                p.kill();
                p.waitForFinished();
            }
        }
    }

    // Value lines: the time, then the nineteen channels in order as KEY=VALUE.
    static QStringList valueLines(const QStringList& lines) {
        QStringList values;
        for (const QString& line : lines) {
            if (!line.startsWith("! ") && !line.startsWith("> ")) {
                values << line;
            }
        }
        return values;
    }

    static void verifyValueLine(const QString& line) {
        const QStringList fields = line.split(' ');
        QCOMPARE(fields.size(), 1 + static_cast<int>(kesto::kChannelCount));
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(fields[0]).hasMatch(),
                 qPrintable(line));
        for (std::size_t i = 0; i < kesto::kChannelCount; ++i) {
            const QString key = QString::fromLatin1(kesto::channelKey(kesto::channelAt(i)).data());
            QVERIFY2(fields[static_cast<int>(i) + 1].startsWith(key + "="), qPrintable(line));
        }
    }

    static double fieldValue(const QString& line, const QString& key, bool* ok) {
        for (const QString& f : line.split(' ')) {
            if (f.startsWith(key + "=")) {
                return f.mid(key.size() + 1).toDouble(ok);
            }
        }
        *ok = false;
        return 0;
    }

private slots:
    void monitorPrintsTheSimulatorsValues_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("flowValue"); // 13-word frames carry no flow
        // Frames written whole are never cut by opening the port; one written in pieces may
        // be, and the tail then costs at most two frames before the monitor is in step.
        QTest::addColumn<int>("maxRejected");
        QTest::newRow("13 words") << QStringList{"--words", "13"} << "0.0" << 0;
        QTest::newRow("16 words, split writes")
            << QStringList{"--words", "16", "--split"} << "" << 2;
    }
    void monitorPrintsTheSimulatorsValues() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, flowValue);
        QFETCH(int, maxRejected);
        QProcess sim;
        const QString path = startSimulator(sim, QStringList{"--fast", "--seconds", "8"} + simArgs);
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));

        const Run r = runMonitor({"--port", path, "--seconds", "2"});
        stop(sim);
        QCOMPARE(r.exitCode, 0);
        const QStringList values = valueLines(r.lines);
        QCOMPARE(values.size(), 2);
        for (const QString& line : values) {
            verifyValueLine(line);
        }
        // By the second refresh frames have been arriving for a second.
        bool ok = false;
        const double o2 = fieldValue(values.last(), "O2", &ok);
        QVERIFY2(ok && o2 >= 3 && o2 <= 6, qPrintable(values.last()));
        const double lambda = fieldValue(values.last(), "LAMBDA", &ok);
        QVERIFY2(ok && std::abs(lambda - 21 / (21 - o2)) < 0.01, qPrintable(values.last()));
        const double flow = fieldValue(values.last(), "Flow", &ok);
        QVERIFY(ok);
        if (!flowValue.isEmpty()) {
            QCOMPARE(QString::number(flow, 'f', 1), flowValue);
        } else {
            // The simulated flow sensor reads -0.1 m/s now and then.
            QVERIFY2((flow >= 2 && flow <= 5) || flow == -0.1, qPrintable(values.last()));
        }
        const auto counts = QRegularExpression("\\d+ accepted, (\\d+) rejected").match(r.errors);
        QVERIFY2(counts.hasMatch() && counts.captured(1).toInt() <= maxRejected,
                 qPrintable(r.errors));
    }

    void monitorReportsInjectedFaultsAndKeepsRunning() {
        QProcess sim;
        const QString path = startSimulator(
            sim, {"--fast", "--seconds", "8", "--garbage", "0.5", "--out-of-range", "2"});
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        const Run r = runMonitor({"--port", path, "--seconds", "3"});
        stop(sim);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.lines.contains("!  O2 range error"), qPrintable(r.lines.join('\n')));
        const QStringList values = valueLines(r.lines);
        QCOMPARE(values.size(), 3);
        bool ok = false;
        const double o2 = fieldValue(values.last(), "O2", &ok);
        QVERIFY2(ok && o2 >= 3 && o2 <= 6, qPrintable(values.last()));
        QVERIFY2(!r.errors.contains(" 0 rejected"), qPrintable(r.errors));
    }

    void monitorReportsSilenceAsTheProgramWould() {
        QProcess sim;
        const QString path = startSimulator(
            sim, {"--fast", "--seconds", "20", "--silence-after", "0.5", "--silence-for", "30"});
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        const Run r = runMonitor({"--port", path, "--seconds", "7"});
        stop(sim);
        QCOMPARE(r.exitCode, 0);
        const QStringList values = valueLines(r.lines);
        QCOMPARE(values.size(), 7);
        QVERIFY2(values.first().contains(QRegularExpression(" O2=\\d")),
                 qPrintable(values.first()));
        QVERIFY2(values.last().contains(" O2=- "), qPrintable(values.last()));
        QVERIFY(r.lines.contains("! No data error (data hold > 5 sec). Check connection !"));
    }

    // A port opened on the simulator's line gets what is sent from then on, never a backlog:
    // often the tail of a frame, after which the program must be in step within two frames.
    void simulatorLineOpenedMidFrameComesInStep() {
        QProcess sim;
        // 36-byte frames (300 ms at 1200 baud) every 450 ms: the line is busy two thirds of the
        // time, and the gap still outlasts the 100 ms quiet time after a frame.
        const QString path =
            startSimulator(sim, {"--words", "16", "--period-ms", "450", "--seconds", "40"});
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        QTest::qWait(1000); // frames sent with no reader must not reach the next one

        bool midFrame = false;
        for (int attempt = 0; attempt < 8 && !midFrame; ++attempt) {
            kesto::SystemClock clock;
            kesto::AnalyzerPort port;
            kesto::test::RecordingMessages messages;
            kesto::test::NullAlarm alarm;
            kesto::LiveAcquisition acq(clock, port, messages, alarm);
            QByteArray head;
            qint64 firstAcceptedMs = -1;
            std::uint64_t rejectedBeforeAccepted = 0;
            QElapsedTimer sinceOpen;
            bool paced = true;
            auto noteFirstAccepted = [&] {
                if (firstAcceptedMs < 0 && acq.decoder().counters().framesAccepted > 0) {
                    firstAcceptedMs = sinceOpen.elapsed();
                    rejectedBeforeAccepted = acq.decoder().counters().framesRejected;
                }
            };
            port.setBytesHandler([&](std::span<const std::uint8_t> b) {
                // What arrived cannot exceed what the line carried since the open.
                paced = paced && static_cast<qint64>(port.bytesRead()) <=
                                     sinceOpen.elapsed() * 1200 / 10000 + 12;
                if (head.size() < 3) {
                    head.append(reinterpret_cast<const char*>(b.data()),
                                static_cast<qsizetype>(std::min<std::size_t>(b.size(), 3)));
                }
                acq.onBytes(b);
                noteFirstAccepted();
            });
            port.setQuietHandler([&] {
                acq.onLineQuiet();
                noteFirstAccepted();
            });
            QTest::qWait(137 * attempt); // a different phase each time
            sinceOpen.start();
            QVERIFY(!port.openPath(path.toStdString()).has_value());
            QTRY_VERIFY_WITH_TIMEOUT(head.size() >= 3, 3000);
            QVERIFY2(paced, "the line delivered a backlog");
            // Frame start: FF FF, then the O2 word's high byte 00 (the simulated O2 is 3-6 %).
            midFrame = !head.startsWith(QByteArray::fromHex("FFFF00"));
            QTRY_VERIFY_WITH_TIMEOUT(acq.decoder().counters().framesAccepted >= 3, 5000);
            QVERIFY(paced);
            port.close();
            if (!midFrame) {
                continue;
            }
            // In step after at most two frames: the tail (and at most one frame after it)
            // rejected, then the next frame accepted, within three periods of opening.
            QVERIFY2(rejectedBeforeAccepted <= 2,
                     qPrintable(QString::number(rejectedBeforeAccepted)));
            QVERIFY2(firstAcceptedMs <= 3 * 450 + 1000,
                     qPrintable(QString::number(firstAcceptedMs)));
            acq.COMTimerGetData();
            const double o2 = acq.display()[kesto::index(kesto::Channel::O2)].value;
            QVERIFY2(o2 >= 3 && o2 <= 6, qPrintable(QString::number(o2)));
        }
        stop(sim);
        QVERIFY2(midFrame, "no attempt opened the line in the middle of a frame");
    }

    void simulatorComLinkServesTheMonitorByNumber() {
        QProcess sim;
        sim.setProcessEnvironment(environment());
        sim.start(KESTO_SIM_PATH, {"--com", "9", "--fast", "--seconds", "20"});
        QVERIFY(sim.waitForStarted(5000));
        const QString link = config_.path() + "/Pellum/dosdevices/com9";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);

        const Run r = runMonitor({"--port", "9", "--seconds", "2"});
        QCOMPARE(r.exitCode, 0);
        bool ok = false;
        const double o2 = fieldValue(valueLines(r.lines).value(1), "O2", &ok);
        QVERIFY2(ok && o2 >= 3 && o2 <= 6, qPrintable(r.lines.join('\n')));

        // A second simulator must not take over a number that is in use.
        QProcess second;
        second.setProcessEnvironment(environment());
        second.start(KESTO_SIM_PATH, {"--com", "9", "--fast", "--seconds", "1"});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 2);
        QVERIFY(QFileInfo(link).isSymLink());

        sim.terminate(); // SIGTERM: a clean stop removes the link
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).exists() && !QFileInfo(link).isSymLink());
    }

    // The analyzer (the simulator, paced like the real line) among an idle line, a noisy one
    // and a port that does not open: the search takes the analyzer's within its time, and
    // without it says so once the time is up. Then the monitor lists the simulator's line as
    // an adapter and reads it by its stable name (so the search has let go of it).
    void searchAndMonitorFindTheAnalyzersLine() {
        QProcess sim;
        const QString path = startSimulator(sim, {"--seconds", "20", "--adapter", "usb-0042"});
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        kesto::test::PtyPair idle, noisy;
        kesto::AnalyzerSearch search;
        std::optional<std::optional<int>> result;
        const auto onDone = [&](std::optional<int> port) { result = port; };
        QElapsedTimer t;
        t.start();
        search.start({{1, idle.slavePath()},
                      {2, "/nonexistent/ttyUSB7"},
                      {3, noisy.slavePath()},
                      {4, path.toStdString()}},
                     onDone);
        QCOMPARE(search.listening(), std::size_t{3});
        QVERIFY(noisy.write(QByteArray(120, '\x12')));
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QVERIFY2(t.elapsed() < kesto::AnalyzerSearch::kListenMs,
                 qPrintable(QString::number(t.elapsed())));
        QCOMPARE(result->value_or(0), 4);
        result.reset();
        t.restart();
        search.start({{1, idle.slavePath()}, {3, noisy.slavePath()}}, onDone);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QVERIFY(t.elapsed() >= kesto::AnalyzerSearch::kListenMs - 50 && !result->has_value());

        const QString stable = deviceRoot_.path() + "/dev/serial/by-id/usb-0042";
        const kesto::PortMap map(config_.path().toStdString() + "/Pellum/dosdevices");
        QVERIFY(!map.createLink(12, stable.toStdString()).has_value());
        const Run list = runMonitor({"--list"});
        const Run r = runMonitor({"--port", "usb-0042", "--seconds", "3"});
        map.removeLink(12, stable.toStdString());
        stop(sim);
        QCOMPARE(list.lines,
                 QStringList{"COM12\tVantro Kesto simulator (usb-0042)\t" + stable + "\t" + path});
        QCOMPARE(r.exitCode, 0);
        bool ok = false;
        const double o2 = fieldValue(valueLines(r.lines).value(2), "O2", &ok);
        QVERIFY2(ok && o2 >= 3 && o2 <= 6, qPrintable(r.lines.join('\n')));
    }

    // The monitor waits (--wait) for its line until the first simulator comes up.
    // COM13 is linked to the simulator's stable name. A second simulator takes that name while
    // the first still runs (the adapter replugged while its old node was held: another
    // pseudo-terminal), then the first one ends: the monitor finds the line again by itself.
    void replugUnderAnotherDeviceIsFollowedByTheStableName() {
        QProcess before, after, monitor;
        const QString stable = deviceRoot_.path() + "/dev/serial/by-id/usb-0043";
        const kesto::PortMap map(config_.path().toStdString() + "/Pellum/dosdevices");
        QVERIFY(!map.createLink(13, stable.toStdString()).has_value());
        monitor.setProcessEnvironment(environment());
        monitor.start(KESTO_MONITOR_PATH, {"--port", "13", "--wait", "--seconds", "10"});
        QTest::qWait(1500);
        const QString first = startSimulator(before, {"--fast", "--adapter", "usb-0043"});
        QTest::qWait(3000);
        const QString second = startSimulator(after, {"--fast", "--adapter", "usb-0043"});
        stop(before);
        QVERIFY(monitor.waitForFinished(15000));
        stop(after);
        map.removeLink(13, stable.toStdString());
        QVERIFY(first.startsWith("/dev/") && second.startsWith("/dev/") && first != second);
        const QStringList lines = QString::fromUtf8(monitor.readAllStandardOutput()).split('\n');
        QVERIFY2(lines.contains("! COM13: port opened") && lines.contains("! COM13: port reopened"),
                 qPrintable(lines.join('\n')));
        bool ok = false;
        const double o2 = fieldValue(valueLines(lines).value(9), "O2", &ok);
        QVERIFY2(ok && o2 >= 3 && o2 <= 6, qPrintable(lines.join('\n')));
    }

    void monitorExitsWithStatus2WhenThePortCannotBeOpened_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("number without device") << "200"
                                               << "COM200: no device";
        QTest::newRow("missing path") << "/nonexistent/ttyX"
                                      << "/nonexistent/ttyX: no device (/nonexistent/ttyX does "
                                         "not exist)";
    }
    void monitorExitsWithStatus2WhenThePortCannotBeOpened() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        const Run r = runMonitor({"--port", port, "--seconds", "1"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors.contains(message), qPrintable(r.errors));
        QVERIFY(r.lines.isEmpty());
    }

    // Limits on the command line, frames paced like the analyzer's line: one "! " line when an
    // alarm begins and one when it ends, whatever the refreshes in between.
    void monitorReportsLimitAlarmsWhenTheyBeginAndEnd() {
        kesto::test::PtyPair pty;
        QProcess monitor;
        monitor.setProcessEnvironment(environment());
        monitor.start(KESTO_MONITOR_PATH,
                      {"--port", QString::fromStdString(pty.slavePath()), "--seconds", "12",
                       "--no-reference", "--high", "CO=100", "--low", "O2=11"});
        monitor.setReadChannel(QProcess::StandardError);
        QVERIFY(monitor.waitForReadyRead(5000)); // "reading ...": the port is open
        // O2 10.5 % throughout; CO past 100 ppm, then back by less and by more than 40 ppm.
        std::vector<std::vector<std::uint8_t>> frames;
        for (const int ppm : {50, 160, 170, 80, 45}) {
            QByteArray frame = kesto::test::exampleFrame();
            frame[5] = static_cast<char>(ppm); // the CO word's low byte
            frames.insert(frames.end(), 4, {frame.begin(), frame.end()});
        }
        {
            kesto::test::PacedLine line(pty, frames, 500);
            QVERIFY(monitor.waitForFinished(20000));
        }
        const QStringList alarms =
            QString::fromUtf8(monitor.readAllStandardOutput()).split('\n').filter(" limit");
        QCOMPARE(alarms, QStringList({"! O2 [%] below the limit 11.0: 10.5",
                                      "! CO [ppm] above the limit 100: 160",
                                      "! CO [ppm] back within its limits: 45"}));
    }

    void monitorStopsCleanlyOnSigint() {
        QProcess sim;
        const QString path = startSimulator(sim, {"--fast", "--seconds", "20"});
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        QProcess monitor;
        monitor.setProcessEnvironment(environment());
        monitor.start(KESTO_MONITOR_PATH, {"--port", path});
        QVERIFY(monitor.waitForStarted(5000));
        QVERIFY(monitor.waitForReadyRead(5000)); // the first refresh line
        ::kill(static_cast<pid_t>(monitor.processId()), SIGINT);
        QVERIFY(monitor.waitForFinished(5000));
        stop(sim);
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
        QVERIFY(QString::fromUtf8(monitor.readAllStandardError()).contains("frames found"));
    }
};

int runToolsTest(int argc, char** argv) {
    ToolsTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "ToolsTest.moc"
