#pragma once

#include "recording/CardConversion.h"
#include "widgets/ProgressWindow.h"

#include <QString>

class QLabel;
class QProgressBar;

namespace kesto {

// The progress window of the memory-card conversion: a text line and a bar, on top of every
// window, centred on the screen. It is not modal: while it shows, the user may stop a recording
// or close the messages window, and the acquisition and a recording go on (the menu command
// stays disabled, so a second conversion into the same file cannot start). The user cannot
// close it; the conversion hides it when it ends.
class TMMCtoCSVFrm : public ProgressWindow, public CardProgress {
    Q_OBJECT

public:
    explicit TMMCtoCSVFrm(QWidget* parent = nullptr);

    // Centred on the screen, with an empty text.
    void showProgress();
    void hideProgress();

    QString labelText() const;
    int position() const;
    int maximum() const;

    // "Reading CSV file line N", "Converting N of M" and the bar.
    void countingLines(std::size_t linesCounted) override;
    void conversionStarts(std::size_t lineCount) override;
    void convertingLines(std::size_t converted, std::size_t lineCount) override;

private:
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace kesto
