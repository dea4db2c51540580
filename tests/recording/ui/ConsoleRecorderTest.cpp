// The console recorder run as a user runs it: kesto-monitor --record against kesto-sim on a
// pseudo-terminal, stopped by time, by SIGTERM and by kill -9; and the XLS files it writes read
// by a real spreadsheet program.
#include "recording/RecordingText.h"
#include "tests/recording/BiffReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>

#include <csignal>

namespace {

std::string readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// Runs the simulator and the monitor as separate processes.
class Tools {
public:
    explicit Tools(const QString& configFolder) {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("XDG_CONFIG_HOME", configFolder);
    }
    ~Tools() {
        stop(monitor);
        stop(sim_);
    }

    // NAME=VALUE settings for the monitor.
    void setEnvironment(const QStringList& settings) {
        for (const QString& setting : settings) {
            env_.insert(setting.section('=', 0, 0), setting.section('=', 1));
        }
    }

    // Starts the simulator, then the monitor on its port with `args`; false, with the
    // reason in `errors`, when the simulator gave no port.
    bool start(const QStringList& args) {
        const QString port = startSimulator();
        if (!port.startsWith("/dev/")) {
            errors = "the simulator gave no port: " + port;
            return false;
        }
        monitor.setProcessEnvironment(env_);
        monitor.start(KESTO_MONITOR_PATH, QStringList{"--port", port} + args);
        monitor.waitForStarted(5000);
        return true;
    }

    // Waits until the monitor has reported `count` data sets on stderr (or has ended).
    bool waitForDataSets(int count, int timeoutMs = 30000) {
        QElapsedTimer t;
        t.start();
        while (dataSets() < count && t.elapsed() < timeoutMs &&
               monitor.state() == QProcess::Running) {
            monitor.waitForReadyRead(200);
            errors += QString::fromUtf8(monitor.readAllStandardError());
        }
        return dataSets() >= count;
    }

    // Until the monitor ends: the longest pause between two of its refresh lines, in ms.
    qint64 longestRefreshGap(int timeoutMs) {
        QElapsedTimer t;
        t.start();
        qint64 last = -1;
        qint64 longest = 0;
        while (monitor.state() == QProcess::Running && t.elapsed() < timeoutMs) {
            monitor.waitForReadyRead(50);
            errors += QString::fromUtf8(monitor.readAllStandardError());
            while (monitor.canReadLine()) {
                if (QChar(monitor.readLine().at(0)).isDigit()) { // a refresh line: its time
                    longest = last < 0 ? 0 : std::max(longest, t.elapsed() - last);
                    last = t.elapsed();
                }
            }
        }
        return longest;
    }

    int dataSets() const {
        const auto m = QRegularExpression("DS:(\\d+)").globalMatch(errors);
        int last = 0;
        for (auto it = m; it.hasNext();) {
            last = it.next().captured(1).toInt();
        }
        return last;
    }

    int finish(int timeoutMs = 15000) {
        if (monitor.state() != QProcess::NotRunning && !monitor.waitForFinished(timeoutMs)) {
            return -1;
        }
        errors += QString::fromUtf8(monitor.readAllStandardError());
        return monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1;
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

    QProcess monitor;
    QString errors;

private:
    // Starts the simulator; returns its pseudo-terminal's path.
    QString startSimulator() {
        sim_.setProcessEnvironment(env_);
        sim_.start(KESTO_SIM_PATH, {"--fast", "--words", "16", "--seconds", "60", "--print-path"});
        if (!sim_.waitForStarted(5000)) {
            return {};
        }
        QByteArray out;
        while (!out.contains('\n') && sim_.waitForReadyRead(5000)) {
            out += sim_.readAllStandardOutput();
        }
        return QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    }

    QProcessEnvironment env_;
    QProcess sim_;
};

// The second of the day of each data set's time ("hh:mm:ss"), from the second line or row on.
QList<int> recordedSeconds(const std::string& bytes, bool csv) {
    QList<int> out;
    const kesto::TStrArray lines = kesto::SplitFields(bytes, '\n');
    const kesto::test::BiffSheet sheet = kesto::test::readBiff(bytes);
    for (int r = 1; r < (csv ? static_cast<int>(lines.size()) - 1 : sheet.rowCount()); ++r) {
        const std::string time = csv ? kesto::SplitFields(lines[r], ',').at(1)
                                     : std::get<std::string>(sheet.cells.at({r, 1}));
        out << QTime::fromString(QString::fromStdString(time), "hh:mm:ss").msecsSinceStartOfDay();
    }
    return out;
}

// A recording of `reported` data sets. A CSV file has the header from the first tick and a
// line from each later one, every line ending with CR LF and holding the 21 fields; an XLS file
// is a complete spreadsheet: the header row, then a row from each tick of two texts and 19
// numbers.
void verifyRecording(const QString& path, int reported) {
    const std::string bytes = readBytes(path);
    if (path.endsWith(".csv")) {
        QVERIFY(bytes.ends_with("\r\n"));
        const kesto::TStrArray lines = kesto::SplitFields(bytes, '\n');
        QVERIFY(lines.size() >= static_cast<std::size_t>(reported - 1) + 2);
        QVERIFY(lines.front().starts_with("dd.mm.yyyy,"));
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            QVERIFY2(lines[i].ends_with('\r'), lines[i].c_str());
            const kesto::TStrArray fields =
                kesto::SplitFields(lines[i].substr(0, lines[i].size() - 1), ',');
            QCOMPARE(fields.size(), std::size_t{21});
            for (std::size_t f = 2; i > 0 && f < fields.size(); ++f) {
                QVERIFY2(kesto::FieldNumber(fields[f]).has_value(), lines[i].c_str());
            }
        }
        return;
    }
    const kesto::test::BiffSheet sheet = kesto::test::readBiff(bytes);
    QVERIFY2(sheet.valid, sheet.error.c_str());
    QVERIFY(!sheet.trailing);
    QVERIFY2(sheet.rowCount() >= reported + 1, qPrintable(QString::number(sheet.rowCount())));
    QCOMPARE(sheet.cells.size(), static_cast<std::size_t>(sheet.rowCount()) * 21);
    for (int r = 1; r < sheet.rowCount(); ++r) {
        for (int c = 2; c < 21; ++c) {
            QVERIFY(std::holds_alternative<double>(sheet.cells.at({r, c})));
        }
    }
}

} // namespace

class ConsoleRecorderTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

private slots:
    void initTestCase() { QVERIFY(folder_.isValid()); }

    void recordsCsvAndXlsUntilItsTimeIsUp_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("csv") << "timed.csv";
        QTest::newRow("XLS, upper-case extension") << "timed.XLS";
    }
    void recordsCsvAndXlsUntilItsTimeIsUp() {
        QFETCH(QString, file);
        const QString path = folder_.filePath(file);
        QFile::remove(path);
        {
            QFile old(path); // an existing file is replaced
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content that must go\r\n");
        }
        Tools tools(folder_.path());
        QVERIFY2(tools.start({"--record", path, "--interval", "1", "--seconds", "5"}),
                 qPrintable(tools.errors));
        QCOMPARE(tools.finish(), 0);
        QVERIFY2(tools.dataSets() >= 3, qPrintable(tools.errors));
        QVERIFY(tools.errors.contains(" to " + file.toUpper()));
        QVERIFY(readBytes(path).find("old content") == std::string::npos);
        verifyRecording(path, tools.dataSets());
    }

    // SIGTERM ends the XLS file properly and the monitor with status 0; after kill -9 in the
    // middle of a recording the XLS file opens with every row written, the CSV file has no
    // torn line.
    void signalledRecorderLeavesReadableFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("signal");
        QTest::newRow("xls, SIGTERM") << "term.xls" << int(SIGTERM);
        QTest::newRow("xls, kill -9") << "killed.xls" << int(SIGKILL);
        QTest::newRow("csv, kill -9") << "killed.csv" << int(SIGKILL);
    }
    void signalledRecorderLeavesReadableFiles() {
        QFETCH(QString, file);
        QFETCH(int, signal);
        const QString path = folder_.filePath(file);
        Tools tools(folder_.path());
        QVERIFY2(tools.start({"--record", path, "--interval", "1"}), qPrintable(tools.errors));
        QVERIFY2(tools.waitForDataSets(3), qPrintable(tools.errors));
        // Somewhere inside the next tick's second, not in step with it.
        QTest::qWait(370);
        ::kill(static_cast<pid_t>(tools.monitor.processId()), signal);
        const int status = tools.finish();
        if (signal == SIGTERM) {
            QCOMPARE(status, 0);
        }
        verifyRecording(path, tools.dataSets());
    }

    // The recording file on a medium that fails one stat, syncs slowly and then is away for ten
    // seconds: every data set reaches the file, one a second, and the refreshes go on. When it
    // does not come back, what waits at the end is rescued and the monitor ends with 4.
    void survivesAMediumThatIsSlowOrAway_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("gone");
        QTest::addColumn<QString>("slow");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("exitCode");
        const QString slow = "2:3:2500";
        QTest::newRow("csv, away 10 s") << QString("away.csv") << "7:17" << slow << 20 << 0;
        QTest::newRow("xls, away 10 s") << QString("away.xls") << "7:17" << slow << 20 << 0;
        QTest::newRow("csv, never back") << QString("lost.csv") << "4:999" << slow << 7 << 4;
        QTest::newRow("xls, hangs at the end") << QString("hung.xls") << ""
                                               << "5:1:60000" << 7 << 4;
    }
    void survivesAMediumThatIsSlowOrAway() {
        QFETCH(QString, file);
        QFETCH(QString, gone);
        QFETCH(QString, slow);
        QFETCH(int, seconds);
        QFETCH(int, exitCode);
        const QString path = folder_.filePath(file);
        const QString rescue = qEnvironmentVariable("XDG_DATA_HOME") + "/Pellum/KESTO22/" +
                               QFileInfo(file).completeBaseName() + "-rescued." +
                               QFileInfo(file).suffix();
        QFile::remove(rescue);
        Tools tools(folder_.path());
        tools.setEnvironment({"LD_PRELOAD=" KESTO_FAULTY_MEDIUM, "LC_ALL=C.UTF-8",
                              "KESTO_FAULTY_FILE=" + path, "KESTO_FAULTY_STAT_FAILS=3",
                              "KESTO_FAULTY_SLOW=" + slow, "KESTO_FAULTY_GONE=" + gone});
        QVERIFY2(tools.start({"--record", path, "--seconds", QString::number(seconds)}),
                 qPrintable(tools.errors));
        const qint64 gap = tools.longestRefreshGap((seconds + 20) * 1000);
        QCOMPARE(tools.finish(), exitCode);
        QVERIFY2(gap < 1900, qPrintable(QString::number(gap) + " ms without a refresh"));
        QVERIFY2(tools.errors.contains("waiting"), qPrintable(tools.errors));

        // One data set a second, none twice, none missing: in the file, then the rescue file.
        const bool csv = file.endsWith(".csv");
        QList<int> times = recordedSeconds(readBytes(path), csv);
        QCOMPARE(times.size() + (csv ? 1 : 0), tools.dataSets());
        QCOMPARE(tools.errors.contains("they are in " + rescue), exitCode == 4);
        times += recordedSeconds(readBytes(rescue), csv);
        QVERIFY2(times.size() >= seconds - 2, qPrintable(tools.errors));
        for (int i = 1; i < times.size(); ++i) {
            const int step = (times[i] - times[i - 1] + 86400000) % 86400000;
            QVERIFY2(step >= 0 && step <= 2000, qPrintable(QString::number(i)));
        }
    }

    void refusesWhatItCannotRecord_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("other extension") << QStringList{"--record", "x.txt"} << 1 << ".csv or .xls";
        QTest::newRow("interval 0")
            << QStringList{"--record", "x.csv", "--interval", "0"} << 1 << "--interval";
        QTest::newRow("folder missing")
            << QStringList{"--record", "/no/such/folder/x.csv"} << 3 << "/no/such/folder/x.csv";
    }
    void refusesWhatItCannotRecord() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        Tools tools(folder_.path());
        QVERIFY2(tools.start(QStringList{"--seconds", "2"} + args), qPrintable(tools.errors));
        QCOMPARE(tools.finish(), exitCode);
        QVERIFY2(tools.errors.contains(message), qPrintable(tools.errors));
    }
};

// LibreOffice Calc reads the XLS files and finds in them what was recorded.
class LibreOfficeTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    // Cells as Calc exports them to CSV (UTF-8, comma, numbers in the C locale).
    static QList<QStringList> convertedRows(const QString& csvPath) {
        QFile f(csvPath);
        QList<QStringList> rows;
        if (!f.open(QIODevice::ReadOnly)) {
            return rows;
        }
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
            rows << QString(line).remove('\r').split(',');
        }
        return rows;
    }

    static void compareWithCalc(const std::string& written, const QList<QStringList>& calc) {
        const kesto::test::BiffSheet sheet = kesto::test::readBiff(written);
        QVERIFY(sheet.valid);
        QCOMPARE(calc.size(), sheet.rowCount());
        for (const auto& [at, cell] : sheet.cells) {
            const QStringList& row = calc[at.first];
            QVERIFY(at.second < row.size());
            const QString shown = row[at.second];
            if (const auto* number = std::get_if<double>(&cell)) {
                bool ok = false;
                QCOMPARE(shown.toDouble(&ok), *number);
                QVERIFY(ok);
            } else {
                // Windows-1252 text; the recording's texts are ASCII and the degree sign.
                QCOMPARE(shown, QString::fromLatin1(std::get<std::string>(cell)));
            }
        }
    }

private slots:
    void calcOpensRecordingsWithTheirCells() {
        const QString soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty()) {
            QSKIP("LibreOffice (soffice) is not installed; tools/setup.sh installs it");
        }
        QVERIFY(folder_.isValid());
        // A golden recording, and one cut off by kill -9.
        const QString golden = folder_.filePath("golden.xls");
        QVERIFY(QFile::copy(KESTO_GOLDEN_XLS, golden));
        const QString killed = folder_.filePath("killed.xls");
        {
            Tools tools(folder_.path());
            QVERIFY2(tools.start({"--record", killed}), qPrintable(tools.errors));
            QVERIFY2(tools.waitForDataSets(3), qPrintable(tools.errors));
            ::kill(static_cast<pid_t>(tools.monitor.processId()), SIGKILL);
            tools.finish();
        }

        QProcess calc;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("HOME", folder_.path());
        calc.setProcessEnvironment(env);
        calc.start(soffice,
                   {"-env:UserInstallation=file://" + folder_.path() + "/profile", "--headless",
                    "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                    folder_.path() + "/out", golden, killed});
        QVERIFY(calc.waitForFinished(240000));
        QCOMPARE(calc.exitCode(), 0);
        for (const QString& name : {QString("golden"), QString("killed")}) {
            const QList<QStringList> rows = convertedRows(folder_.path() + "/out/" + name + ".csv");
            QVERIFY2(rows.size() >= 2, qPrintable(name + ": " + calc.readAllStandardError()));
            compareWithCalc(readBytes(folder_.path() + "/" + name + ".xls"), rows);
        }
    }
};

int runConsoleRecorderTest(int argc, char** argv) {
    ConsoleRecorderTest test;
    return QTest::qExec(&test, argc, argv);
}

int runLibreOfficeTest(int argc, char** argv) {
    LibreOfficeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConsoleRecorderTest.moc"
