#include "app/uVersionFrm.h"
#include "config/ui/uFortschrittFrm.h"
#include "platform/qt/JpegImage.h"
#include "tests/QtTestSupport.h"
#include "tests/WindowTestSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace kesto::test {

class SmallWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void storedPictureDecodesTo169By81() {
        const QImage picture = decodeJpeg(versionPictureJpeg());
        QCOMPARE(picture.size(), QSize(169, 81));
        // Not a blank: the flame is bright, the sky dark.
        QVERIFY(qGray(picture.pixel(45, 60)) > 120);
        QVERIFY(qGray(picture.pixel(160, 4)) < 80);
    }

    void badJpegDataGivesANullImage_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = versionPictureJpeg();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a this is something else entirely");
        QTest::newRow("start marker only") << good.left(2);
        QTest::newRow("cut inside the header") << good.left(40);
        QByteArray huge = good;
        // Frame header (SOF0) claiming 65500 x 65500 pixels.
        const int sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(sof > 0);
        huge[sof + 5] = '\xFF';
        huge[sof + 6] = '\xDC';
        huge[sof + 7] = '\xFF';
        huge[sof + 8] = '\xDC';
        QTest::newRow("absurd dimensions") << huge;
    }
    void badJpegDataGivesANullImage() {
        QFETCH(QByteArray, data);
        QVERIFY(decodeJpeg(data).isNull());
    }

    void versionTitleFollowsTheMainWindowCaptionAtEachShowing() {
        QWidget mainWindow;
        mainWindow.setWindowTitle(QStringLiteral("Vantro Kesto V2.310"));
        TVersionFrm version;
        version.setTitleSource(&mainWindow);
        auto* title = version.findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(title != nullptr);
        QVERIFY(title->font().bold());

        version.show();
        QCOMPARE(title->text(), QStringLiteral("Vantro Kesto V2.310"));
        version.hide();
        mainWindow.setWindowTitle(QStringLiteral("Vantro Kesto V2.311"));
        version.show();
        QCOMPARE(title->text(), QStringLiteral("Vantro Kesto V2.311"));
    }

    void versionWindowShowsThePictureAndOkEndsTheModalShowing() {
        TVersionFrm version;
        QCOMPARE(version.size(), QSize(311, 155));
        auto* image = version.findChild<QLabel*>(QStringLiteral("Image1"));
        QVERIFY(image != nullptr);
        QCOMPARE(image->pixmap().size(), QSize(169, 81));
        auto* ok = version.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
        QVERIFY(ok != nullptr);
        QVERIFY(!ok->icon().isNull());
        QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        QCOMPARE(version.exec(), int(QDialog::Accepted));
        QVERIFY(!version.isVisible());
    }

    void captionsComeFromTheLanguageTexts() {
        LanguageTexts texts;
        texts.versionTitle = "Versionsinfo";
        texts.ok = "Schliessen";
        texts.searching = "Suche serielle COM-Ports...";
        texts.teste = "Pruefe";
        texts.von = "aus";
        TVersionFrm version;
        version.applyLanguage(texts);
        QCOMPARE(version.windowTitle(), QStringLiteral("Versionsinfo"));
        QCOMPARE(version.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->text(),
                 QStringLiteral("Schliessen"));

        TFortschrittFrm progress;
        progress.applyLanguage(texts);
        QCOMPARE(progress.windowTitle(), QStringLiteral("Kesto"));
        QCOMPARE(progress.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Suche serielle COM-Ports..."));
        progress.setStep(7);
        QCOMPARE(progress.counterText(), QStringLiteral("Pruefe 7 aus 255"));
    }

    void progressStartsAtOneWithAnEmptyCounter() {
        TFortschrittFrm progress;
        QCOMPARE(progress.size(), QSize(291, 67));
        auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QVERIFY(bar != nullptr);
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 255);
        QCOMPARE(progress.position(), 1);
        QVERIFY(progress.counterText().isEmpty());
        QCOMPARE(progress.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Searching serial COM ports..."));
        QVERIFY(!(progress.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(progress.windowFlags() & Qt::WindowSystemMenuHint));
    }

    void progressStepsCountAlongAndClampTheBar_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::newRow("first") << 1 << "Teste 1 von 255" << 1;
        QTest::newRow("last") << 255 << "Teste 255 von 255" << 255;
        QTest::newRow("below range") << 0 << "Teste 0 von 255" << 1;
        QTest::newRow("above range") << 300 << "Teste 300 von 255" << 255;
    }
    void progressStepsCountAlongAndClampTheBar() {
        QFETCH(int, port);
        QFETCH(QString, text);
        QFETCH(int, position);
        TFortschrittFrm progress;
        progress.setStep(port);
        QCOMPARE(progress.counterText(), text);
        QCOMPARE(progress.position(), position);
        progress.setPosition(port);
        QCOMPARE(progress.position(), position);
    }

    // The probing loop never returns to the event loop, so a change must paint during the call.
    void progressChangesPaintBeforeTheCallReturns() {
        TFortschrittFrm progress;
        progress.showProgress();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        PaintCounter counter;
        progress.findChild<QLabel*>(QStringLiteral("Label2"))->installEventFilter(&counter);
        progress.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))
            ->installEventFilter(&counter);
        progress.setCounterText(QStringLiteral("Teste 2 von 255"));
        QVERIFY(counter.paints >= 1);
        const int afterText = counter.paints;
        progress.setPosition(2);
        QVERIFY(counter.paints > afterText);
        progress.hideProgress();
    }

    void userCannotCloseTheProgressWindow_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close request") << "close";
        QTest::newRow("Esc key") << "escape";
        QTest::newRow("reject") << "reject";
    }
    void userCannotCloseTheProgressWindow() {
        QFETCH(QString, how);
        TFortschrittFrm progress;
        progress.showProgress();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        if (how == QLatin1String("close")) {
            QVERIFY(!progress.close());
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(&progress, Qt::Key_Escape);
        } else {
            progress.reject();
        }
        QVERIFY(progress.isVisible());
        progress.hideProgress();
        QVERIFY(!progress.isVisible());
    }
};

int runSmallWindowTests(int argc, char** argv) {
    SmallWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace kesto::test

#include "SmallWindowsTest.moc"
