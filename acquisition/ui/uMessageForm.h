#pragma once

#include "acquisition/FrameDecoder.h"
#include "acquisition/Interfaces.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

// The diagnostics window: time-stamped messages of the link supervision and the frame decoder,
// the frame monitor (ruler, last raw frame, its number of hex digits), the decoder's counters and
// the option to log raw frames to KESTO.LOG in the home folder. Its texts are English and are not
// translated. Created once, hidden at start; hiding it keeps every line.
class TMessageFrm : public QDialog, public MessageWindow {
    Q_OBJECT

public:
    // `clock` stamps the messages and must outlive the window. An empty `logPath` means
    // KESTO.LOG in the user's home folder.
    explicit TMessageFrm(const Clock& clock, QWidget* parent = nullptr, QString logPath = {});

    // Shows the window if it is hidden (not modally), then appends
    // "<dd.mm.yyyy> <hh:mm:ss> <text>" to the list.
    void AddMessage(const QString& text);

    // MessageWindow, as the frame decoder and the link supervision use it.
    bool isVisible() const override;
    void addMessage(std::string_view text) override;
    bool writeToLogfile() const override;
    void showFrame(std::string_view ruler, std::string_view line, int hexDigits) override;

    // The decoder's counters, refreshed by the main window once per second.
    void showCounters(const DecoderCounters& counters);

    // The raw-frame log the decoder appends to while "Write to logfile" is ticked.
    FrameLog& frameLog() { return frameLog_; }
    QString logFilePath() const;

    // The word-processor export behind "Copy to Writer"; the button stays disabled until one
    // is given.
    void setWordExport(std::function<void()> exportAction);
    // Enables the button, or disables it with a tooltip that says why (no export built in, an
    // export still under way).
    void setWordExportAvailable(bool available, const QString& whyNot = {});

    // The message list as plain text, one line per message.
    QString messagesText() const;

signals:
    // Every hiding of the window (Close, close box, Esc): the main window switches its alarm
    // timer off.
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate();
    void nameFrameMonitor();
    void Button1Click();
    void Button2Click();

    const Clock& clock_;
    FileFrameLog frameLog_;
    std::function<void()> wordExport_;

    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label3 = nullptr; // ruler
    QLabel* Label1 = nullptr; // frame line
    QLabel* Label2 = nullptr; // hex digit count
    QLabel* CountersLabel = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

// The fixed-pitch font of the frame monitor: Courier New 8 pt where installed, otherwise the
// system's fixed font at 8 pt, so the ruler numbers stand over their hex digits either way.
QFont frameMonitorFont();

// The messages window as the acquisition sees it: the acquisition is built with the main window,
// before the messages window exists, and talks to whatever window is attached later (a hidden
// one until then, and again once it is gone). The attached window's log file takes the
// decoder's raw frames.
class AttachedMessageWindow final : public MessageWindow {
public:
    ~AttachedMessageWindow() override;
    void attach(TMessageFrm* window, FrameDecoder& decoder);
    TMessageFrm* window() const { return target_; }

    bool isVisible() const override;
    void addMessage(std::string_view text) override;
    bool writeToLogfile() const override;
    void showFrame(std::string_view ruler, std::string_view line, int hexDigits) override;

private:
    QPointer<TMessageFrm> target_;
    QMetaObject::Connection destroyed_;
};

} // namespace kesto
