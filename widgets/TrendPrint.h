#pragma once

#include "trends/SlotLayout.h"
#include "trends/TrendModel.h"
#include "trends/TrendStore.h"

#include <QObject>
#include <QPrinter>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QWidget;

namespace kesto {

class TrendRecorder;

// The trend print component: draws every record of a trend for paper, in colour on white, with
// the value scale of the trend's scale slot, a time scale in five steps and a legend with each
// slot's number, both names, minimum and maximum with their times, and unit. Lengths are in
// tenths of a millimetre.
class TrendPrint {
public:
    struct Layout {
        int outerBorder = 20;
        int diagramScaleSpace = 20; // between the diagram and its scales
        int scaleSpacing = 10;
        int legendMargin = 20;
        int textSize = 26;
        int titleTextSize = 60; // no title line is printed
        int screenPixelsPerInch = 96;
    };

    static const QStringList& legendHeadings();

    void setTrend(const TrendRecorder* trend) { trend_ = trend; }
    const TrendRecorder* trend() const { return trend_; }
    void setPrintWidth(int tenthsMm) { printWidth_ = tenthsMm; }
    void setPrintHeight(int tenthsMm) { printHeight_ = tenthsMm; }
    int printWidth() const { return printWidth_; }
    int printHeight() const { return printHeight_; }
    Layout& layout() { return layout_; }

    // Draws the trend with its top left corner at (left, top) tenths of a millimetre from the
    // painter's origin, at the resolution of the painter's device.
    void draw(QPainter& painter, int left, int top) const;
    // The same for records kept apart from a trend, with the trend's slots and scale slot (1-8).
    void drawRecords(QPainter& painter, int left, int top, const TrendStore& store,
                     const TrendSlots& slotSet, int absScaleCh) const;

private:
    const TrendRecorder* trend_ = nullptr;
    int printWidth_ = 2770;
    int printHeight_ = 1900;
    Layout layout_;
};

// Prints one landscape page: `draw` gets the painter and the printable area in millimetres; the
// printer's orientation is restored afterwards. Returns the reason when the printer could not
// print.
std::optional<QString>
PrintLandscapePage(QPrinter& printer,
                   const std::function<void(QPainter&, const QRectF& areaMm)>& draw);

// Prints one trend on one landscape page: the print component gets the printable width of the
// page and its height less 10 mm and draws 10 mm from the top.
std::optional<QString> PrintTrendPage(QPrinter& printer, TrendPrint& print,
                                      const TrendRecorder& trend);

// The printer of the program, chosen with "Change printer..." and used by every later print of
// the main window and the viewer. Where no printer is installed, printing asks for a PDF file
// and prints into it.
class TrendPrinting : public QObject {
    Q_OBJECT

public:
    explicit TrendPrinting(QObject* parent = nullptr);

    QPrinter& printer() { return printer_; }
    TrendPrint& printComponent() { return print_; }

    // The printer setup dialog.
    void choosePrinter(QWidget* parent);
    // Prints the trend; errors are shown in an error box over `parent`.
    void printDiagram(QWidget* parent, const TrendRecorder& trend);
    // Prints a page with `print` on the chosen printer or, where none is installed, into a PDF
    // file that the user names in a dialog titled `pdfTitle` (`pdfName` proposed). Errors are
    // shown in an error box over `parent`.
    using PagePrint = std::function<std::optional<QString>(QPrinter&)>;
    void printPage(QWidget* parent, const QString& pdfTitle, const QString& pdfName,
                   const PagePrint& print);

    // Whether an installed printer is chosen (a PDF file set in the setup dialog counts).
    bool hasPrinter() const;
    // Tests replace the look-up of installed printers.
    std::function<bool()> printersInstalled;

private:
    QPrinter printer_;
    TrendPrint print_; // AbPrintTrend1
};

} // namespace kesto
