// The "Copy to Writer" action without a word processor of its own: what the button offers in
// this build, and an export given up after the time limit.
#include "ErrorBoxes.h"
#include "acquisition/ui/uMessageForm.h"
#include "wordexport/ui/ReportExportAction.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <future>
#include <map>

namespace kesto::test {
namespace {

// Blocks in attach() until released, as a LibreOffice that hangs does; then offers a text
// document with "Value1".
class HangingProcessor final : public WordProcessor {
public:
    class Document final : public ReportDocument {
    public:
        explicit Document(HangingProcessor& p) : p_(p) {}
        bool isTextDocument() override { return true; }
        bool isReadOnly() override { return false; }
        bool hasBookmark(const std::string& name) override { return name == "Value1"; }
        void insertAfterBookmark(const std::string& name, const std::string& text) override {
            p_.inserted[name] += text;
        }
        void replaceBookmarkText(const std::string& name, const std::string& text) override {
            p_.inserted[name] = text;
        }

    private:
        HangingProcessor& p_;
    };
    class Session final : public WordProcessorSession {
    public:
        explicit Session(HangingProcessor& p) : p_(p) {}
        std::unique_ptr<ReportDocument> currentDocument() override {
            return std::make_unique<Document>(p_);
        }

    private:
        HangingProcessor& p_;
    };

    std::unique_ptr<WordProcessorSession> attach() override {
        release.get_future().wait();
        return std::make_unique<Session>(*this);
    }

    std::promise<void> release;
    std::map<std::string, std::string> inserted;
};

} // namespace

class ReportExportActionTest : public QObject {
    Q_OBJECT

private slots:
    void buttonOffersWhatThisBuildHas() {
        SystemClock clock;
        TMessageFrm messages(clock);
        messages.show();
        const LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
        const QString pipe =
            QStringLiteral("kesto-none-%1").arg(QCoreApplication::applicationPid());
        qputenv("KESTO_UNO_PIPE", pipe.toLatin1());
        const std::unique_ptr<ReportExportAction> action = installWriterExport(messages, display);
        auto* button = messages.findChild<QPushButton*>(QStringLiteral("Button2"));
        QCOMPARE(button->text(), QStringLiteral("Copy to Writer"));
#ifdef KESTO_HAVE_UNO
        // Nobody accepts on that pipe: one line that says how to start Writer, and no box.
        QVERIFY(action != nullptr);
        QVERIFY(button->isEnabled());
        QSignalSpy finished(action.get(), &ReportExportAction::exportFinished);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        const QString expected =
            QStringLiteral("No word processor reachable: start LibreOffice Writer with soffice "
                           "--writer --accept=\"pipe,name=%1;urp;\"")
                .arg(pipe);
        const QStringList lines = messages.messagesText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].endsWith(QLatin1Char(' ') + expected), qPrintable(lines[0]));
        QVERIFY(takeErrorBoxes(messages).isEmpty());
        QVERIFY(button->isEnabled());
#else
        QVERIFY(action == nullptr);
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->toolTip(), QString::fromLatin1(kWriterExportNotBuilt));
#endif
    }

    void answerAfterTheTimeLimitChangesNothing() {
        SystemClock clock;
        TMessageFrm messages(clock);
        messages.show();
        const LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
        auto processor = std::make_shared<HangingProcessor>();
        ReportExportAction action(messages, display, processor, "kesto",
                                  std::chrono::milliseconds(300));
        auto* button = messages.findChild<QPushButton*>(QStringLiteral("Button2"));
        QSignalSpy finished(&action, &ReportExportAction::exportFinished);
        QSignalSpy released(&action, &ReportExportAction::released);

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
        QVERIFY(finished.wait(30000));
        QCOMPARE(takeErrorBoxes(messages),
                 QStringList{QStringLiteral("LibreOffice did not answer within 10 s.")});
        // The worker is still blocked: no second export meanwhile.
        QVERIFY(action.busy());
        QVERIFY(!button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);

        processor->release.set_value();
        QVERIFY(released.wait(30000));
        QVERIFY(!action.busy());
        QVERIFY(button->isEnabled());
        QCOMPARE(finished.count(), 1);
        QVERIFY(takeErrorBoxes(messages).isEmpty());
        QVERIFY(messages.messagesText().isEmpty());
        QVERIFY(processor->inserted.empty());
    }
};

} // namespace kesto::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kesto::test::ReportExportActionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ReportExportActionTest.moc"
