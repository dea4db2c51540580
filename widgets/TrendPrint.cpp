#include "widgets/TrendPrint.h"

#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"
#include "widgets/QtText.h"
#include "widgets/TrendRecorder.h"
#include "widgets/UiFonts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kesto {
namespace {

constexpr int kSteps = 5; // divisions of the time scale and of the value scale

// Share of the legend's width per column: ChNo, Name1, Name2, Min, MinTime, Max, MaxTime, Unit.
constexpr std::array<double, 8> kLegendColumns{0.07, 0.12, 0.15, 0.10, 0.19, 0.10, 0.19, 0.08};

QString dateTimeText(double time) {
    const LocalDateTime t = fromDateTimeValue(time);
    return qs(dateText(t)) + QLatin1Char(' ') + qs(timeText(t));
}

// A curve colour that shows on white paper: very light colours are drawn darker.
QColor onPaper(Colour c) {
    const QColor colour = TrendRecorder::toQColor(c);
    return colour.lightness() > 200 ? colour.darker(170) : colour;
}

// Converts tenths of a millimetre into device pixels of the painter.
struct Scale {
    double x;
    double y;
    double px(double tenths) const { return tenths * x; }
    double py(double tenths) const { return tenths * y; }
    QRectF rect(double l, double t, double w, double h) const {
        return {px(l), py(t), px(w), py(h)};
    }
};

// The points of one slot's curve across `area`: every record where they fit, else the smallest
// and largest value of the records that share a device pixel column.
QPolygonF curve(const TrendStore& store, std::size_t slot, const ChannelSettings& settings,
                const QRectF& area) {
    const std::size_t n = store.size();
    QPolygonF points;
    const double span = static_cast<double>(settings.maximum) - settings.minimum;
    auto yOf = [&](float v) {
        double share = span > 0 ? (static_cast<double>(v) - settings.minimum) / span : 0.0;
        share = std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0);
        return area.bottom() - share * area.height();
    };
    auto xOf = [&](std::size_t i) {
        return n > 1 ? area.left() + area.width() * static_cast<double>(i) / (n - 1) : area.left();
    };
    const auto columns = static_cast<std::size_t>(std::max(1.0, std::ceil(area.width())));
    if (n <= 2 * columns) {
        points.reserve(static_cast<qsizetype>(n));
        for (std::size_t i = 0; i < n; ++i) {
            points.append({xOf(i), yOf(store.value(i, slot))});
        }
        return points;
    }
    points.reserve(static_cast<qsizetype>(2 * columns));
    std::size_t i = 0;
    for (std::size_t c = 0; c < columns && i < n; ++c) {
        const std::size_t end = std::min(n, (c + 1) * n / columns);
        float lo = store.value(i, slot);
        float hi = lo;
        for (; i < end; ++i) {
            lo = std::min(lo, store.value(i, slot));
            hi = std::max(hi, store.value(i, slot));
        }
        const double x = area.left() + area.width() * (static_cast<double>(c) + 0.5) / columns;
        points.append({x, yOf(lo)});
        points.append({x, yOf(hi)});
    }
    return points;
}

} // namespace

const QStringList& TrendPrint::legendHeadings() {
    static const QStringList headings{"ChNo",    "Name1", "Name2",   "Min",
                                      "MinTime", "Max",   "MaxTime", "Unit"};
    return headings;
}

void TrendPrint::draw(QPainter& p, int left, int top) const {
    if (trend_ != nullptr) {
        drawRecords(p, left, top, trend_->model().store(), trend_->slotSettings(),
                    trend_->absScaleCh());
    }
}

void TrendPrint::drawRecords(QPainter& p, int left, int top, const TrendStore& store,
                             const TrendSlots& slotSet, int absScaleCh) const {
    if (p.device() == nullptr) {
        return;
    }
    const Scale k{p.device()->logicalDpiX() / 254.0, p.device()->logicalDpiY() / 254.0};
    const Layout& l = layout_;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(k.rect(left, top, printWidth_, printHeight_), Qt::white);

    QFont font = layoutFont("Arial", 10);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(k.py(l.textSize)))));
    QFont bold = font;
    bold.setBold(true);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    auto tenthsWide = [&](const QString& s) { return fm.horizontalAdvance(s) / k.x; };

    std::vector<std::size_t> used;
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        if (!slotSet[s].firstName.empty()) {
            used.push_back(s);
        }
    }
    const std::size_t scaleSlot = static_cast<std::size_t>(std::clamp(absScaleCh, 1, 8) - 1);
    const ChannelSettings& scale = slotSet[scaleSlot];
    auto scaleValue = [&](int i) {
        return scale.minimum + (static_cast<double>(scale.maximum) - scale.minimum) * i / kSteps;
    };

    // Everything below in tenths of a millimetre.
    const double line = l.textSize * 1.4;
    const double boxLeft = left + l.outerBorder;
    const double boxTop = top + l.outerBorder;
    const double boxWidth = printWidth_ - 2.0 * l.outerBorder;
    const double boxHeight = printHeight_ - 2.0 * l.outerBorder;
    double labelWidth = 0;
    for (int i = 0; i <= kSteps; ++i) {
        labelWidth =
            std::max(labelWidth, tenthsWide(qs(formatNumber(scaleValue(i), scale.format))));
    }
    labelWidth = std::max(labelWidth, tenthsWide(qs(scale.unit)));
    const double legendHeight = l.legendMargin + line * static_cast<double>(used.size() + 1);
    const double timeScaleHeight = l.scaleSpacing + 2 * line;
    const double diagramLeft = boxLeft + labelWidth + l.scaleSpacing + l.diagramScaleSpace;
    const double diagramTop = boxTop + line; // room for the unit above the value scale
    const double diagramWidth = boxLeft + boxWidth - diagramLeft;
    const double diagramHeight =
        boxHeight - line - l.diagramScaleSpace - timeScaleHeight - legendHeight;
    if (diagramWidth < 10 || diagramHeight < 10) {
        p.restore();
        return;
    }
    const QRectF diagram = k.rect(diagramLeft, diagramTop, diagramWidth, diagramHeight);

    // Grid and frame.
    QPen grid(QColor(200, 200, 200));
    grid.setWidthF(k.px(1.5));
    p.setPen(grid);
    for (int i = 1; i < kSteps; ++i) {
        const double x = diagram.left() + diagram.width() * i / kSteps;
        const double y = diagram.bottom() - diagram.height() * i / kSteps;
        p.drawLine(QPointF(x, diagram.top()), QPointF(x, diagram.bottom()));
        p.drawLine(QPointF(diagram.left(), y), QPointF(diagram.right(), y));
    }
    QPen frame(Qt::black);
    frame.setWidthF(k.px(2));
    p.setPen(frame);
    p.drawRect(diagram);

    // Curves, the scale slot's on top.
    p.save();
    p.setClipRect(diagram.adjusted(-k.px(2), -k.px(2), k.px(2), k.px(2)));
    std::vector<std::size_t> order;
    for (std::size_t s : used) {
        if (s != scaleSlot) {
            order.push_back(s);
        }
    }
    if (!slotSet[scaleSlot].firstName.empty()) {
        order.push_back(scaleSlot);
    }
    for (std::size_t s : order) {
        QPen pen(onPaper(slotSet[s].colour));
        pen.setWidthF(k.px(3));
        p.setPen(pen);
        p.drawPolyline(curve(store, s, slotSet[s], diagram));
    }
    p.restore();

    // Value scale of the scale slot, with its unit above.
    p.setPen(Qt::black);
    const double labelRight = diagram.left() - k.px(l.diagramScaleSpace);
    const double textHeight = k.py(line);
    for (int i = 0; i <= kSteps; ++i) {
        const double y = diagram.bottom() - diagram.height() * i / kSteps;
        p.drawLine(QPointF(diagram.left() - k.px(l.scaleSpacing), y), QPointF(diagram.left(), y));
        p.drawText(
            QRectF(labelRight - k.px(labelWidth), y - textHeight / 2, k.px(labelWidth), textHeight),
            Qt::AlignRight | Qt::AlignVCenter, qs(formatNumber(scaleValue(i), scale.format)));
    }
    p.drawText(QRectF(labelRight - k.px(labelWidth), k.py(boxTop), k.px(labelWidth), textHeight),
               Qt::AlignRight | Qt::AlignVCenter, qs(scale.unit).trimmed());

    // Time scale: the date and time of the records at six places, five steps apart.
    if (!store.empty()) {
        const double scaleTop = diagram.bottom() + k.py(l.diagramScaleSpace);
        for (int i = 0; i <= kSteps; ++i) {
            const auto record = static_cast<std::size_t>(
                std::lround(static_cast<double>(store.size() - 1) * i / kSteps));
            const LocalDateTime t = fromDateTimeValue(store.time(record));
            const double x = diagram.left() + diagram.width() * i / kSteps;
            p.drawLine(QPointF(x, diagram.bottom()),
                       QPointF(x, diagram.bottom() + k.py(l.scaleSpacing)));
            const double width =
                k.px(std::max(tenthsWide(qs(dateText(t))), tenthsWide(qs(timeText(t)))) + 10);
            const double textLeft =
                std::clamp(x - width / 2, k.px(boxLeft), k.px(boxLeft + boxWidth) - width);
            p.drawText(QRectF(textLeft, scaleTop, width, textHeight), Qt::AlignCenter,
                       qs(dateText(t)));
            p.drawText(QRectF(textLeft, scaleTop + textHeight, width, textHeight), Qt::AlignCenter,
                       qs(timeText(t)));
        }
    }

    // Legend.
    double y = diagramTop + diagramHeight + l.diagramScaleSpace + timeScaleHeight + l.legendMargin;
    auto row = [&](const QStringList& cells, const QColor* swatch) {
        double x = boxLeft;
        for (std::size_t c = 0; c < kLegendColumns.size(); ++c) {
            const double width = boxWidth * kLegendColumns[c];
            double textLeft = x;
            if (c == 0 && swatch != nullptr) {
                QPen pen(*swatch);
                pen.setWidthF(k.py(6));
                p.setPen(pen);
                p.drawLine(QPointF(k.px(x), k.py(y + line / 2)),
                           QPointF(k.px(x + 40), k.py(y + line / 2)));
                p.setPen(Qt::black);
                textLeft += 50;
            }
            p.drawText(k.rect(textLeft, y, x + width - textLeft, line),
                       Qt::AlignLeft | Qt::AlignVCenter, cells.value(static_cast<qsizetype>(c)));
            x += width;
        }
        y += line;
    };
    p.setFont(bold);
    row(legendHeadings(), nullptr);
    p.setFont(font);
    for (std::size_t s : used) {
        const ChannelSettings& slot = slotSet[s];
        QStringList cells{QString::number(s + 1), qs(slot.firstName), qs(slot.displayName)};
        if (const auto e = store.extremes(s)) {
            cells << qs(formatNumber(e->minimum.value, slot.format))
                  << dateTimeText(e->minimum.time)
                  << qs(formatNumber(e->maximum.value, slot.format))
                  << dateTimeText(e->maximum.time);
        } else {
            cells << QString() << QString() << QString() << QString();
        }
        cells << qs(slot.unit);
        const QColor colour = onPaper(slot.colour);
        row(cells, &colour);
    }
    p.restore();
}

std::optional<QString>
PrintLandscapePage(QPrinter& printer,
                   const std::function<void(QPainter&, const QRectF& areaMm)>& draw) {
    const QPageLayout::Orientation before = printer.pageLayout().orientation();
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setColorMode(QPrinter::Color);
    std::optional<QString> error;
    QPainter painter;
    if (painter.begin(&printer)) {
        draw(painter, printer.pageLayout().paintRect(QPageLayout::Millimeter));
        if (!painter.end()) {
            error = QStringLiteral("The diagram could not be printed.");
        }
    } else {
        error = QStringLiteral("The printer could not be started.");
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            *error +=
                QStringLiteral(" The file %1 cannot be written.").arg(printer.outputFileName());
        }
    }
    printer.setPageOrientation(before);
    return error;
}

std::optional<QString> PrintTrendPage(QPrinter& printer, TrendPrint& print,
                                      const TrendRecorder& trend) {
    print.setTrend(&trend);
    return PrintLandscapePage(printer, [&print](QPainter& painter, const QRectF& page) {
        // The printable area, whole millimetres, as the printer reports its size.
        print.setPrintWidth(static_cast<int>(page.width()) * 10);
        print.setPrintHeight(static_cast<int>(page.height()) * 10 - 100);
        print.draw(painter, 0, 100);
    });
}

// ---------------------------------------------------------------------------------------------

TrendPrinting::TrendPrinting(QObject* parent)
    : QObject(parent), printer_(QPrinter::HighResolution) {}

bool TrendPrinting::hasPrinter() const {
    if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty()) {
        return true;
    }
    return printersInstalled ? printersInstalled()
                             : !QPrinterInfo::availablePrinterNames().isEmpty();
}

void TrendPrinting::choosePrinter(QWidget* parent) {
    QPrintDialog dialog(&printer_, parent);
    dialog.setObjectName("PrinterSetupDialog");
    dialog.exec();
}

void TrendPrinting::printDiagram(QWidget* parent, const TrendRecorder& trend) {
    printPage(parent, tr("No printer is installed: the diagram is saved as a PDF file"),
              QStringLiteral("diagram.pdf"),
              [this, &trend](QPrinter& printer) { return PrintTrendPage(printer, print_, trend); });
}

void TrendPrinting::printPage(QWidget* parent, const QString& pdfTitle, const QString& pdfName,
                              const PagePrint& print) {
    std::optional<QString> error;
    if (hasPrinter()) {
        error = print(printer_);
    } else {
        QFileDialog dialog(parent, pdfTitle);
        dialog.setObjectName("PdfFileDialog");
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(tr("PDF files (*.pdf)"));
        dialog.setDefaultSuffix("pdf");
        dialog.selectFile(pdfName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return;
        }
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setPageLayout(printer_.pageLayout());
        pdf.setOutputFileName(dialog.selectedFiles().constFirst());
        error = print(pdf);
    }
    if (error) {
        QMessageBox::critical(parent, QStringLiteral("Vantro Kesto"), *error);
    }
}

} // namespace kesto
