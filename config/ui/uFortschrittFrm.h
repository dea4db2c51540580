#pragma once

#include "config/Language.h"
#include "config/ui/uSetupFrm.h"
#include "widgets/ProgressWindow.h"

#include <QString>

class QLabel;
class QProgressBar;

namespace kesto {

// The progress window shown while the serial ports are probed. The probing runs on the UI thread
// without returning to the event loop, so every change repaints at once. The user cannot close
// the window; only hideProgress() does.
class TFortschrittFrm : public ProgressWindow, public ProbeProgress {
    Q_OBJECT

public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 255;

    explicit TFortschrittFrm(QWidget* parent = nullptr);

    void showProgress() override;
    void hideProgress() override;

    void setCounterText(const QString& text) override;
    // Clamped to 1..255.
    void setPosition(int position) override;
    // Both at once for probing port `port`: "Teste <port> von 255" (words from the language) and
    // the bar at `port`.
    void setStep(int port);

    QString counterText() const;
    int position() const;

    void applyLanguage(const LanguageTexts& texts);

private:
    void repaintNow();

    QString teste_ = QStringLiteral("Teste");
    QString von_ = QStringLiteral("von");

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace kesto
