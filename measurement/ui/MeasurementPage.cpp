#include "measurement/ui/MeasurementPage.h"

#include "acquisition/DateTimeFormat.h"
#include "widgets/QtText.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"
#include "widgets/UiFonts.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kesto {

namespace {

constexpr double kOneSecond = 1.0 / 86400.0; // of a day, as trend records count time

// Lengths on the page in millimetres.
constexpr double kTitleSize = 5.0;
constexpr double kTextSize = 2.6;
constexpr double kRowHeight = 3.6;
constexpr double kGap = 3.0;
constexpr double kFirstColumns[] = {26.0, 16.0}; // channel name and unit
constexpr double kMinTrendHeight = 60.0;
constexpr int kTrendTextSize = 22; // tenths of a millimetre

} // namespace

MeasurementTrend measurementTrend(const TrendRecorder& trend, const LocalDateTime& start,
                                  const LocalDateTime& end) {
    MeasurementTrend out;
    out.slotSet = trend.slotSettings();
    out.absScaleCh = trend.absScaleCh();
    const TrendStore& store = trend.model().store();
    const double from = toDateTimeValue(start) - kOneSecond;
    const double to = toDateTimeValue(end) + kOneSecond;
    for (std::size_t i = 0; i < store.size(); ++i) {
        if (store.time(i) >= from && store.time(i) <= to) {
            out.records.append(store.time(i), store.values(i));
        }
    }
    return out;
}

void drawMeasurementPage(QPainter& p, const QRectF& areaMm, const MeasurementResult& result,
                         const LanguageTexts& texts, const MeasurementTrend& trend) {
    const double kx = p.device()->logicalDpiX() / 25.4;
    const double ky = p.device()->logicalDpiY() / 25.4;
    const auto rect = [&](double x, double y, double w, double h) {
        return QRectF(x * kx, y * ky, w * kx, h * ky);
    };
    const auto font = [&](double sizeMm, bool bold) {
        QFont f = layoutFont(QStringLiteral("Arial"), 10, bold);
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(sizeMm * ky))));
        return f;
    };
    const double width = areaMm.width();
    p.save();
    p.setPen(Qt::black);

    // The title, then the fields in two rows of four, each label beside its value.
    double y = 0;
    p.setFont(font(kTitleSize, true));
    p.drawText(rect(0, y, width, kTitleSize * 1.5), Qt::AlignLeft | Qt::AlignVCenter,
               qs(texts.measurementResult));
    y += kTitleSize * 1.5 + kGap;
    const std::vector<ResultField> fields = resultFields(result, texts);
    const double fieldWidth = width / 4;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const double x = fieldWidth * static_cast<double>(i % 4);
        const double top = y + kRowHeight * 1.4 * static_cast<double>(i / 4);
        p.setFont(font(kTextSize, true));
        const QString label = qs(fields[i].label) + QStringLiteral(": ");
        const double labelWidth = p.fontMetrics().horizontalAdvance(label) / kx;
        p.drawText(rect(x, top, labelWidth, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, label);
        p.setFont(font(kTextSize, false));
        const QRectF value = rect(x + labelWidth, top, fieldWidth - labelWidth - 2, kRowHeight);
        p.drawText(value, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(qs(fields[i].value), Qt::ElideRight,
                                              static_cast<int>(value.width())));
    }
    y += kRowHeight * 1.4 * 2;
    if (!result.complete) {
        p.setFont(font(kTextSize, true));
        p.setPen(QColor(180, 0, 0));
        p.drawText(
            rect(0, y, width, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
            qs(fillPlaceholders(texts.incompleteNotice, {std::to_string(result.noDataSeconds)})));
        p.setPen(Qt::black);
        y += kRowHeight;
    }
    y += kGap;

    // The table: the first two columns at their widths, the figures sharing the rest.
    const std::vector<ResultColumn> columns = resultColumns(result, texts);
    std::vector<double> widths;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        widths.push_back(c < 2 ? kFirstColumns[c]
                               : (width - kFirstColumns[0] - kFirstColumns[1]) /
                                     static_cast<double>(columns.size() - 2));
    }
    const double headerHeight = kRowHeight * 2;
    QPen rule(Qt::gray);
    rule.setWidthF(0.2 * ky);
    const auto row = [&](double top, double height, bool header, auto text) {
        double x = 0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const int align = (columns[c].numeric ? Qt::AlignRight : Qt::AlignLeft) |
                              (header ? Qt::AlignBottom : Qt::AlignVCenter) | Qt::TextWordWrap;
            p.drawText(rect(x + 1, top, widths[c] - 2, height), align, text(c));
            x += widths[c];
        }
        p.setPen(rule);
        p.drawLine(QPointF(0, (top + height) * ky), QPointF(width * kx, (top + height) * ky));
        p.setPen(Qt::black);
    };
    p.setFont(font(kTextSize, true));
    row(y, headerHeight, true, [&](std::size_t c) { return qs(columns[c].title); });
    y += headerHeight;
    p.setFont(font(kTextSize, false));
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        row(y, kRowHeight, false, [&](std::size_t c) { return qs(columns[c].cells[i]); });
        y += kRowHeight;
    }
    y += kGap;
    p.restore();

    // Diagram 1 over the time of the measurement, in the space left.
    const double trendHeight = std::max(kMinTrendHeight, areaMm.height() - y);
    TrendPrint print;
    print.layout().textSize = kTrendTextSize;
    print.setPrintWidth(static_cast<int>(width * 10));
    print.setPrintHeight(static_cast<int>(trendHeight * 10));
    print.drawRecords(p, 0, static_cast<int>(y * 10), trend.records, trend.slotSet,
                      trend.absScaleCh);
}

} // namespace kesto
