#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kesto::test {

// A CUPS scheduler of the test's own with one virtual PDF printer, "KestoPDF": its
// configuration, spool and log in a temporary folder, listening only on a socket there. The
// PDF backend reads its settings from /etc/cups, so the scheduler runs in a mount namespace of
// its own where a private folder stands in for /etc/cups; the machine's CUPS is never touched.
// The backend runs only under a scheduler started as root. It dies with the test process.
class TestCups {
public:
    static constexpr const char* printerName = "KestoPDF";

    TestCups();
    ~TestCups();

    // Starts the scheduler and adds the printer as the default; false with failure() set.
    bool start();
    // Ends the scheduler: from then on no CUPS is reachable on the socket.
    void stop();
    bool running() const { return process_.state() == QProcess::Running; }
    QString failure() const { return failure_; }
    // Whether failure() means that this machine cannot run it (not root, CUPS not installed).
    bool unavailable() const { return unavailable_; }
    QString socket() const { return dir_.filePath(QStringLiteral("cups.sock")); }

    // The PDF files the printer has written so far.
    QStringList printedFiles() const;
    // The documents the jobs brought, as the scheduler keeps them.
    QStringList jobDocuments() const;
    // Waits until no job is pending and returns the number of completed jobs; -1 on time-out.
    int waitForCompletedJobs(int timeoutMs) const;
    // The tail of the scheduler's error log, for failure messages.
    QString log() const;

private:
    QString lp(const QString& program, const QStringList& arguments) const;

    QTemporaryDir dir_;
    QProcess process_;
    mutable QString failure_;
    bool unavailable_ = false;
};

// The scheduler of the widget tests, started by their main() before anything prints; where it
// cannot start, CUPS_SERVER names a socket that does not exist, so no CUPS is reachable.
TestCups& testCups();

} // namespace kesto::test
