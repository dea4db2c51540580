#include "app/CommandLine.h"

#include "app/ProgramInfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace kesto {

namespace {

CommandLine mistake(const QString& program, const QString& text) {
    CommandLine result;
    result.exitCode = 1;
    result.output = program + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + program +
                    QStringLiteral(" --help'.\n");
    return result;
}

} // namespace

QString versionText() {
    return QStringLiteral("Vantro Kesto " KESTO_VERSION "\n");
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder) {
    const QString program =
        arguments.isEmpty() ? QStringLiteral("kesto") : QFileInfo(arguments.first()).fileName();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Data acquisition for a flue-gas analyzer on a serial line."));
    // Our own help option: Qt's adds --help-all, whose text is not available to print here.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and ends."));
    const QCommandLineOption view(
        QStringLiteral("view"),
        QStringLiteral("Shows the recording FILE in the viewer. Without FILE the program starts "
                       "as usual."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(view);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A recording (CSV) to view, with --view."));

    // "--view=FILE" is taken as "--view FILE" (up to a "--", after which all are files).
    QStringList split;
    bool options = true;
    for (const QString& argument : arguments) {
        options = options && argument != QLatin1String("--");
        if (options && argument.startsWith(QLatin1String("--view="))) {
            split << QStringLiteral("--view") << argument.mid(7);
        } else {
            split << argument;
        }
    }
    if (!parser.parse(split)) {
        return mistake(program, parser.errorText());
    }
    CommandLine result;
    if (parser.isSet(help)) {
        result.exitCode = 0;
        // Qt's usage line names the executable by its full path, or not at all before the
        // application object exists: ours names the program and its one form of use.
        const QString text = parser.helpText();
        result.output = QStringLiteral("Usage: ") + program +
                        QStringLiteral(" [--help | --version | --view [FILE]]") +
                        text.mid(text.indexOf(QLatin1Char('\n')));
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = 0;
        result.output = versionText();
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty() && !parser.isSet(view)) {
        return mistake(program, QStringLiteral("a recording is opened with --view FILE"));
    }
    if (files.size() > 1) {
        return mistake(program, QStringLiteral("--view takes one file"));
    }
    if (files.size() == 1 && !files.first().isEmpty()) {
        result.options.viewFile =
            QDir::cleanPath(QDir(workingFolder).absoluteFilePath(files.first()));
    }
    return result;
}

} // namespace kesto
