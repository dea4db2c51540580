#pragma once

#include "acquisition/Acquisition.h"
#include "acquisition/DerivedValues.h"
#include "config/Language.h"

#include <QObject>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kesto {

class BarGauge;
class ClickLabel;

// The live page of the main window ("Actual"): a row per channel (name, scale minimum, bar,
// scale maximum), the reference-oxygen entries beside the rows they refer to, the logo that
// opens the messages window and the recording interval's label. Binds them to the acquisition's
// live values and reference entries: what the user types or ticks is what the next refresh
// reads and what the settings save writes.
class LivePage : public QObject {
    Q_OBJECT

public:
    LivePage(QWidget* page, LiveAcquisition& acquisition, QObject* parent = nullptr);

    // The live values onto the rows: captions, validity, scale labels, bars and limit alarms.
    void refresh();
    // The reference entries as the model holds them (a refresh puts "3.0" into an entry that is
    // not a number).
    void showReferences();
    // Every reference entry's text, through the binding into the model.
    void setReferenceFields(const QString& text);
    void applyLanguage(const LanguageTexts& texts);
    // Where the keyboard starts: the CO ppm entry's "calculated".
    void focusFirstEntry();

    QLabel* intervalLabel() const { return Label10; }

signals:
    // A channel's name, minimum or maximum label, or its bar was clicked.
    void channelClicked(const QString& key);
    void logoClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ChannelRow {
        ClickLabel* label = nullptr;
        ClickLabel* minLabel = nullptr;
        BarGauge* bar = nullptr;
        ClickLabel* maxLabel = nullptr;
    };

    void createRows(QWidget* page);
    void createReferenceEntries(QWidget* page);
    void onComponentClicked();
    // Names that a screen reader speaks: each gauge and reference entry after its channel's
    // caption, in the current language.
    void updateAccessibleNames();
    // Keyboard order: row by row, left to right.
    void orderFocus();

    LiveAcquisition& acquisition_;
    LanguageTexts texts_;
    std::array<ChannelRow, kChannelCount> rows_{};
    ClickLabel* Image1 = nullptr;
    QLabel* Label10 = nullptr;                                  // recording interval, ms
    std::array<QLineEdit*, kReferenceEntryCount> edits_{};      // Edit1..Edit7
    std::array<QCheckBox*, kReferenceEntryCount> checkBoxes_{}; // CheckBox1..CheckBox7
};

} // namespace kesto
