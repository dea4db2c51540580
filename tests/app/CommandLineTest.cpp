#include "app/CommandLine.h"
#include "app/ProgramInfo.h"

#include <QTest>

using namespace kesto;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString kFolder = QStringLiteral("/home/user/records");

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program runs
        QTest::addColumn<std::optional<QString>>("viewFile");
        QTest::addColumn<QString>("output"); // the text printed starts with it; empty: none

        const std::optional<QString> none;
        QTest::newRow("nothing") << QStringList{} << -1 << none << "";
        QTest::newRow("bare --view, as from the desktop entry without a file")
            << QStringList{"--view"} << -1 << none << "";
        QTest::newRow("absolute file") << QStringList{"--view", "/media/stick/Kessel 1.CSV"} << -1
                                       << std::optional<QString>("/media/stick/Kessel 1.CSV") << "";
        QTest::newRow("relative file taken from the working folder")
            << QStringList{"--view", "../old/./a.csv"} << -1
            << std::optional<QString>("/home/user/old/a.csv") << "";
        QTest::newRow("file before the option") << QStringList{"a.csv", "--view"} << -1
                                                << std::optional<QString>(kFolder + "/a.csv") << "";
        QTest::newRow("file that looks like an option, after --")
            << QStringList{"--view", "--", "-x.csv"} << -1
            << std::optional<QString>(kFolder + "/-x.csv") << "";
        const QString version = QStringLiteral("Vantro Kesto " KESTO_VERSION "\n");
        QTest::newRow("version") << QStringList{"--version"} << 0 << none << version;
        QTest::newRow("short version") << QStringList{"-v"} << 0 << none << version;
        QTest::newRow("help wins over a file")
            << QStringList{"--view", "a.csv", "--help"} << 0 << none
            << "Usage: kesto [--help | --version | --view [FILE]]\n";
        QTest::newRow("unknown option") << QStringList{"--record"} << 1 << none
                                        << "kesto: Unknown option 'record'.\nTry 'kesto --help'.\n";
        QTest::newRow("file without --view") << QStringList{"a.csv"} << 1 << none
                                             << "kesto: a recording is opened with --view FILE\n";
        QTest::newRow("two files") << QStringList{"--view", "a.csv", "b.csv"} << 1 << none
                                   << "kesto: --view takes one file\n";
        QTest::newRow("value glued to --view") << QStringList{"--view=a.csv"} << -1
                                               << std::optional<QString>(kFolder + "/a.csv") << "";
        QTest::newRow("glued value after --")
            << QStringList{"--view", "--", "--view=a.csv"} << -1
            << std::optional<QString>(kFolder + "/--view=a.csv") << "";
    }
    void readsTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(std::optional<QString>, viewFile);
        QFETCH(QString, output);
        arguments.prepend(QStringLiteral("/usr/bin/kesto"));
        const CommandLine commandLine = parseCommandLine(arguments, kFolder);
        QCOMPARE(commandLine.exitCode.value_or(-1), exitCode);
        QCOMPARE(commandLine.options.viewFile, viewFile);
        const bool asExpected =
            output.isEmpty() ? commandLine.output.isEmpty() : commandLine.output.startsWith(output);
        QVERIFY2(asExpected, qPrintable(commandLine.output));
    }

    void helpNamesEveryOption() {
        const QString help = parseCommandLine({"kesto", "-h"}, kFolder).output;
        for (const char* option : {"--help", "--version", "--view", "FILE"}) {
            QVERIFY2(help.contains(QLatin1String(option)), option);
        }
    }
};

int runCommandLineTests(int argc, char** argv) {
    CommandLineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CommandLineTest.moc"
