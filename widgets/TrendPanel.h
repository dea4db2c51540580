#pragma once

#include "acquisition/Colour.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;

namespace kesto {

// The panel under a trend diagram: a colour swatch, the cursor read-out and the channel choice
// list (a drop-down list without free text). The swatch is opaque; its background shows the
// colour of the channel read out.
class TrendPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 41;

    TrendPanel(const QString& swatchName, const QString& readOutName, const QString& choiceName,
               QWidget* parent = nullptr);

    QLabel* swatch() const { return swatch_; }
    QLabel* readOut() const { return readOut_; }
    QComboBox* choiceList() const { return choiceList_; }

    // Refills the choice list and selects its first entry.
    void setChoices(const std::vector<std::string>& entries);
    // A read-out text with its channel's colour on the swatch; no text empties the read-out
    // and leaves the swatch as it is.
    void showReadOut(const std::optional<std::string>& text, Colour colour);

signals:
    // The user picked an entry.
    void choiceActivated();

private:
    QLabel* swatch_ = nullptr;
    QLabel* readOut_ = nullptr;
    QComboBox* choiceList_ = nullptr;
};

} // namespace kesto
