// kesto-monitor --measure as a user runs it: against the simulator on a pseudo-terminal paced
// like the 1200-baud line, its summary checked against the values it printed each second.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <vector>

namespace {

struct Run {
    int exitCode = -1;
    QStringList values;                     // the refresh lines: time, then KEY=VALUE
    std::map<QString, QStringList> summary; // KEY -> mean, min, max, n
    QString verdict;
};

Run runMonitor(const QStringList& args) {
    QProcess monitor;
    monitor.start(KESTO_MONITOR_PATH, args);
    Run r;
    if (!monitor.waitForFinished(60000)) {
        monitor.kill();
        monitor.waitForFinished();
        return r;
    }
    r.exitCode = monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1;
    const QRegularExpression summary("^= (\\w+) mean=(\\S+) min=(\\S+) max=(\\S+) n=(\\d+)$");
    for (const QString& line : QString::fromUtf8(monitor.readAllStandardOutput()).split('\n')) {
        if (const auto m = summary.match(line); m.hasMatch()) {
            r.summary[m.captured(1)] = m.capturedTexts().mid(2);
        } else if (line.startsWith("= ")) {
            r.verdict = line;
        } else if (!line.isEmpty() && line[0].isDigit()) {
            r.values << line;
        }
    }
    return r;
}

} // namespace

class ConsoleMeasurementTest : public QObject {
    Q_OBJECT

private slots:
    void measuresTheSecondsItPrintedAndKeepsThemInTheProtocol() {
        QTemporaryDir dir;
        QProcess sim;
        sim.start(KESTO_SIM_PATH, {"--words", "16", "--seconds", "60", "--print-path"});
        QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
        const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
        const QString protocol = dir.filePath("protocol.csv");

        // Two readings of 3 s, their starts 4 s apart: seconds 1-3 and 5-7 of the measurement.
        const Run r = runMonitor({"--port", port, "--measure", "3", "--readings", "2", "--spacing",
                                  "4", "--protocol", protocol});
        QCOMPARE(QString::number(r.exitCode) + r.verdict, QString("0= measurement complete"));
        QCOMPARE(r.summary.size(), std::size_t(19));
        // It starts at the first refresh with a valid value.
        const qsizetype first = r.values.indexOf(QRegularExpression(".*=\\d.*"));
        QCOMPARE(r.values.size() - first, qsizetype(7));
        for (const auto& [key, s] : r.summary) {
            std::vector<double> all;
            std::vector<double> means;
            for (const qsizetype start : {first, first + 4}) {
                std::vector<double> reading;
                for (qsizetype i = start; i < start + 3; ++i) {
                    bool ok = false;
                    const double v = QRegularExpression(" " + key + "=(\\S+)")
                                         .match(r.values[i])
                                         .captured(1)
                                         .toDouble(&ok);
                    if (ok) {
                        reading.push_back(v);
                        all.push_back(v);
                    }
                }
                if (!reading.empty()) {
                    means.push_back(std::accumulate(reading.begin(), reading.end(), 0.0) /
                                    static_cast<double>(reading.size()));
                }
            }
            QCOMPARE(s[3].toInt(), static_cast<int>(all.size()));
            if (all.empty()) {
                QCOMPARE(s.mid(0, 3).join(""), QString("---"));
                continue;
            }
            // Extremes are exact; the mean of the printed (rounded) values may be a step away.
            QCOMPARE(s[1].toDouble(), *std::min_element(all.begin(), all.end()));
            QCOMPARE(s[2].toDouble(), *std::max_element(all.begin(), all.end()));
            const qsizetype point = s[0].indexOf('.');
            const double step = point < 0 ? 1 : std::pow(10.0, -(s[0].size() - point - 1));
            const double mean = std::accumulate(means.begin(), means.end(), 0.0) / means.size();
            QVERIFY2(std::abs(s[0].toDouble() - mean) <= step + 1e-9, qPrintable(key + s[0]));
        }

        // Ended by --seconds before its time: incomplete, and kept all the same.
        const Run cut = runMonitor(
            {"--port", port, "--measure", "600", "--seconds", "4", "--protocol", protocol});
        QCOMPARE(QString::number(cut.exitCode) + cut.verdict, QString("5= measurement incomplete"));
        sim.terminate();
        sim.waitForFinished();

        QFile file(protocol);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // header, two measurements, nothing after the last CR LF
        QVERIFY(lines[0].startsWith("Date [dd.mm.yyyy],"));
        QCOMPARE(lines[1].split(',').mid(3, 3), (QList<QByteArray>{"2", "3", "1"}));
        QCOMPARE(QString(lines[1].split(',')[10]), r.summary.at("O2")[0]); // the O2 mean
        QCOMPARE(lines[2].split(',').mid(3, 3), (QList<QByteArray>{"1", "600", "0"}));
    }
};

QTEST_GUILESS_MAIN(ConsoleMeasurementTest)
#include "ConsoleMeasurementTest.moc"
