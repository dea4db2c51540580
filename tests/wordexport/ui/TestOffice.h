#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace kesto::test {

// A headless LibreOffice of the test's own: its user profile in a temporary folder, accepting
// UNO connections on a pipe named after this process, so it never meets an office of the user
// or of another test run. It dies with the test process. Documents are loaded and read back
// through a connection of the test's own.
class TestOffice {
public:
    TestOffice();
    ~TestOffice();

    // Starts LibreOffice and waits until it accepts connections; false with failure() set when
    // it cannot be started on this machine.
    bool start();
    QString failure() const { return failure_; }
    const std::string& pipe() const { return pipe_; }
    QString folder() const { return dir_.path(); }

    qint64 pid() const { return process_.processId(); }
    // SIGSTOP and SIGCONT to the office this test started.
    void pause();
    void resume();

    // Loads a document into a frame of its own; it becomes the current document.
    css::uno::Reference<css::lang::XComponent> load(const QString& path, bool readOnly = false);
    // A new, untitled document made from a template, as "File > New > Templates" makes it.
    css::uno::Reference<css::lang::XComponent> loadTemplate(const QString& path);
    // Loads a spreadsheet and makes it the current document. It stays hidden: a headless
    // LibreOffice 7.4 aborts shortly after showing a spreadsheet view.
    css::uno::Reference<css::lang::XComponent> loadSpreadsheet(const QString& path);
    // Closes every document loaded here.
    void closeAll();
    // The document's text, as the office saves it as plain text (UTF-8, one line a paragraph).
    QString text(const css::uno::Reference<css::lang::XComponent>& document);

private:
    css::uno::Reference<css::lang::XComponent> loadDocument(const QString& path, bool readOnly,
                                                            bool hidden, bool asTemplate = false);
    void stop();

    QTemporaryDir dir_;
    std::string pipe_;
    QProcess process_;
    QString failure_;
    bool paused_ = false;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    std::vector<css::uno::Reference<css::lang::XComponent>> documents_;
    int saved_ = 0;
};

// Writes a text document (flat OpenDocument) of one paragraph per entry; "{Name}" in an entry
// stands for an empty bookmark of that name.
void writeReportDocument(const QString& path, const QStringList& paragraphs);
// Writes a spreadsheet (flat OpenDocument) with one cell.
void writeSpreadsheet(const QString& path);

} // namespace kesto::test
