#include "TestCups.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto::test {
namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPdfDriver = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

TestCups::TestCups() = default;

TestCups::~TestCups() {
    stop();
}

bool TestCups::start() {
    if (::geteuid() != 0) {
        failure_ = QStringLiteral("the PDF printer's backend needs a scheduler started as root");
        unavailable_ = true;
        return false;
    }
    for (const QString& needed : {kCupsd, kPdfBackend, kPdfDriver}) {
        if (!QFileInfo::exists(needed)) {
            failure_ = needed + QStringLiteral(" is not installed (tools/setup.sh installs it)");
            unavailable_ = true;
            return false;
        }
    }
    const QString root = dir_.path();
    // The scheduler's filters run as the user lp: they must reach the folder.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    for (const char* folder : {"etc", "tmp", "out", "log"}) {
        QDir(root).mkdir(QString::fromLatin1(folder));
    }
    ::chmod(QFile::encodeName(root + QStringLiteral("/tmp")).constData(), 01777);
    const bool written =
        writeFile(root + QStringLiteral("/cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                 "StateDir %1/state\nTempDir %1/tmp\nPrintcap %1/printcap\n"
                                 "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                                 "PageLog %1/log/page_log\nSystemGroup root\nUser lp\nGroup lp\n")
                      .arg(root)) &&
        writeFile(root + QStringLiteral("/cupsd.conf"),
                  QStringLiteral("Listen %1\nBrowsing Off\nWebInterface No\nLogLevel info\n"
                                 "PreserveJobFiles Yes\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                      .arg(socket())) &&
        writeFile(root + QStringLiteral("/etc/cups-pdf.conf"),
                  QStringLiteral("Out %1/out\nAnonDirName %1/out\nSpool %1/pdf-spool\n"
                                 "Log %1/log\nGrp lp\n")
                      .arg(root));
    if (!written) {
        failure_ = QStringLiteral("cannot write the configuration in ") + root;
        return false;
    }

    process_.setProgram(QStringLiteral("unshare"));
    process_.setArguments({QStringLiteral("--mount"), QStringLiteral("--propagation"),
                           QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                           QStringLiteral("mount --bind \"$0/etc\" /etc/cups && exec %1 -f -c "
                                          "\"$0/cupsd.conf\" -s \"$0/cups-files.conf\"")
                               .arg(kCupsd),
                           root});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // unshare and sh exec into cupsd, which thus goes when the test goes.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start();
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(socket()) && process_.state() != QProcess::NotRunning &&
           waited.elapsed() < 30000) {
        process_.waitForFinished(100);
    }
    if (!running() || !QFileInfo::exists(socket())) {
        failure_ = QStringLiteral("cupsd did not start: ") +
                   QString::fromLocal8Bit(process_.readAll()) + log();
        return false;
    }
    lp(QStringLiteral("lpadmin"),
       {QStringLiteral("-p"), QString::fromLatin1(printerName), QStringLiteral("-E"),
        QStringLiteral("-v"), QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), kPdfDriver,
        // Poppler's PostScript keeps the page's orientation for the backend's Ghostscript.
        QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftops")});
    lp(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QString::fromLatin1(printerName)});
    return failure_.isEmpty();
}

void TestCups::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(30000)) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

QString TestCups::lp(const QString& program, const QStringList& arguments) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), socket());
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        failure_ +=
            program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
            QStringLiteral(" failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QStringList TestCups::printedFiles() const {
    QStringList files;
    const QDir out(dir_.filePath(QStringLiteral("out")));
    for (const QString& name : out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name)) {
        files << out.filePath(name);
    }
    return files;
}

QStringList TestCups::jobDocuments() const {
    QStringList files;
    const QDir spool(dir_.filePath(QStringLiteral("spool")));
    for (const QString& name : spool.entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name)) {
        files << spool.filePath(name);
    }
    return files;
}

int TestCups::waitForCompletedJobs(int timeoutMs) const {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        if (lp(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty()) {
            return static_cast<int>(lp(QStringLiteral("lpstat"),
                                       {QStringLiteral("-W"), QStringLiteral("completed"),
                                        QStringLiteral("-o")})
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                        .size());
        }
        QThread::msleep(200);
    }
    return -1;
}

QString TestCups::log() const {
    QFile file(dir_.filePath(QStringLiteral("log/error_log")));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromLocal8Bit(file.readAll().right(3000));
}

} // namespace kesto::test
