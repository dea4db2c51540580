#include "TestOffice.h"

#include "wordexport/ReportExport.h"
#include "wordexport/uno/UnoConnection.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/exc_hlp.hxx>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <initializer_list>
#include <stdexcept>
#include <sys/prctl.h>

namespace kesto::test {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

// A first start in a new profile sets the profile up and asks to be started again.
constexpr int kRestartRequested = 81;
constexpr int kStartLimitMs = 240000;

css::beans::PropertyValue property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

css::uno::Sequence<css::beans::PropertyValue>
properties(std::initializer_list<css::beans::PropertyValue> list) {
    css::uno::Sequence<css::beans::PropertyValue> sequence(static_cast<sal_Int32>(list.size()));
    std::copy(list.begin(), list.end(), sequence.getArray());
    return sequence;
}

rtl::OUString fileUrl(const QString& path) {
    return uno::toUno(QUrl::fromLocalFile(path).toString().toStdString());
}

// UNO failures of the test's own calls, as plain exceptions with LibreOffice's text.
[[noreturn]] void rethrowUno(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + uno::caughtExceptionText());
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

} // namespace

TestOffice::TestOffice()
    : pipe_("kesto-test-" + std::to_string(QCoreApplication::applicationPid())) {}

TestOffice::~TestOffice() {
    stop();
}

bool TestOffice::start() {
    const QString program = QStringLiteral(KESTO_LIBREOFFICE_PROGRAM_DIR "/soffice.bin");
    if (!dir_.isValid()) {
        failure_ = QStringLiteral("no temporary folder");
        return false;
    }
    if (!QFileInfo(program).isExecutable()) {
        failure_ = program + QStringLiteral(" is not installed");
        return false;
    }
    const QStringList arguments{
        QStringLiteral("--headless"),
        QStringLiteral("--invisible"),
        QStringLiteral("--nologo"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=") +
            QUrl::fromLocalFile(dir_.path() + QStringLiteral("/profile")).toString(),
        QStringLiteral("--accept=pipe,name=%1;urp;").arg(QString::fromStdString(pipe_))};
    process_.setProgram(program);
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // The office goes when the test goes, however it ends.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });

    for (int attempt = 0; attempt < 3; ++attempt) {
        process_.start();
        if (!process_.waitForStarted(30000)) {
            failure_ = program + QStringLiteral(" does not start: ") + process_.errorString();
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (process_.state() == QProcess::Running && waited.elapsed() < kStartLimitMs) {
            try {
                desktop_ = css::frame::Desktop::create(uno::connectToOffice(pipe_));
                return true;
            } catch (const WordProcessorUnreachable&) {
            } catch (const WordProcessorError&) {
            } catch (const css::uno::Exception&) {
            }
            process_.waitForFinished(500);
        }
        if (process_.state() == QProcess::Running) {
            failure_ = QStringLiteral("LibreOffice did not accept connections within %1 s")
                           .arg(kStartLimitMs / 1000);
            return false;
        }
        if (process_.exitStatus() != QProcess::NormalExit ||
            process_.exitCode() != kRestartRequested) {
            failure_ = QStringLiteral("LibreOffice ended with code %1: %2")
                           .arg(process_.exitCode())
                           .arg(QString::fromLocal8Bit(process_.readAll()).trimmed());
            return false;
        }
    }
    failure_ = QStringLiteral("LibreOffice kept asking to be restarted");
    return false;
}

void TestOffice::pause() {
    if (process_.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP);
        paused_ = true;
    }
}

void TestOffice::resume() {
    if (paused_ && process_.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
    }
    paused_ = false;
}

void TestOffice::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    resume();
    closeAll();
    desktop_.clear();
    process_.terminate();
    if (!process_.waitForFinished(30000)) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

Reference<css::lang::XComponent> TestOffice::load(const QString& path, bool readOnly) {
    return loadDocument(path, readOnly, false);
}

Reference<css::lang::XComponent> TestOffice::loadTemplate(const QString& path) {
    return loadDocument(path, false, false, true);
}

Reference<css::lang::XComponent> TestOffice::loadSpreadsheet(const QString& path) {
    const Reference<css::lang::XComponent> document = loadDocument(path, false, true);
    try {
        const Reference<css::frame::XFrame> frame =
            Reference<css::frame::XModel>(document, UNO_QUERY_THROW)
                ->getCurrentController()
                ->getFrame();
        Reference<css::frame::XFramesSupplier>(desktop_, UNO_QUERY_THROW)->setActiveFrame(frame);
        frame->activate();
    } catch (const css::uno::Exception&) {
        rethrowUno("making the spreadsheet current");
    }
    return document;
}

Reference<css::lang::XComponent> TestOffice::loadDocument(const QString& path, bool readOnly,
                                                          bool hidden, bool asTemplate) {
    try {
        const Reference<css::frame::XComponentLoader> loader(desktop_, UNO_QUERY_THROW);
        const auto arguments = properties({property("ReadOnly", css::uno::Any(readOnly)),
                                           property("Hidden", css::uno::Any(hidden)),
                                           property("AsTemplate", css::uno::Any(asTemplate))});
        Reference<css::lang::XComponent> document =
            loader->loadComponentFromURL(fileUrl(path), "_blank", 0, arguments);
        if (!document.is()) {
            throw std::runtime_error("LibreOffice could not load " + path.toStdString());
        }
        documents_.push_back(document);
        return document;
    } catch (const css::uno::Exception&) {
        rethrowUno("loading a document");
    }
}

void TestOffice::closeAll() {
    for (const auto& document : documents_) {
        try {
            Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
        } catch (const css::uno::Exception&) {
            // Already closed, or the office is gone.
        }
    }
    documents_.clear();
}

QString TestOffice::text(const Reference<css::lang::XComponent>& document) {
    const QString path = dir_.path() + QStringLiteral("/saved-%1.txt").arg(++saved_);
    try {
        const auto arguments =
            properties({property("FilterName", css::uno::Any(rtl::OUString("Text (encoded)"))),
                        property("FilterOptions", css::uno::Any(rtl::OUString("UTF8,LF")))});
        Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
            ->storeToURL(fileUrl(path), arguments);
    } catch (const css::uno::Exception&) {
        rethrowUno("saving the document as text");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("the saved text is missing");
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

void writeReportDocument(const QString& path, const QStringList& paragraphs) {
    QByteArray body;
    static const QRegularExpression bookmark(QStringLiteral("\\{(\\w+)\\}"));
    for (const QString& paragraph : paragraphs) {
        QString xml = paragraph.toHtmlEscaped();
        xml.replace(bookmark, QStringLiteral("<text:bookmark text:name=\"\\1\"/>"));
        body += "   <text:p>" + xml.toUtf8() + "</text:p>\n";
    }
    writeFile(
        path,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"\n"
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"\n"
        " office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.text\">\n"
        " <office:body>\n  <office:text>\n" +
            body + "  </office:text>\n </office:body>\n</office:document>\n");
}

void writeSpreadsheet(const QString& path) {
    writeFile(path,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"\n"
              " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"\n"
              " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"\n"
              " office:version=\"1.3\"\n"
              " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
              " <office:body>\n  <office:spreadsheet>\n"
              "   <table:table table:name=\"Sheet1\"><table:table-row><table:table-cell>"
              "<text:p>Value1</text:p></table:table-cell></table:table-row></table:table>\n"
              "  </office:spreadsheet>\n </office:body>\n</office:document>\n");
}

} // namespace kesto::test
