#pragma once

#include "config/Language.h"
#include "measurement/Measurement.h"
#include "trends/SlotLayout.h"
#include "trends/TrendStore.h"

#include <QRectF>

class QPainter;

namespace kesto {

class TrendRecorder;

// A diagram's records over the time of a measurement, kept with its result so that the printed
// page shows them whatever happens to the live diagram afterwards.
struct MeasurementTrend {
    TrendStore records;
    TrendSlots slotSet{};
    int absScaleCh = 1;
};

// The records of `trend` from a second before `start` to a second after `end`: a diagram
// samples on a clock of its own, up to a second away from the display refresh.
MeasurementTrend measurementTrend(const TrendRecorder& trend, const LocalDateTime& start,
                                  const LocalDateTime& end);

// The printed page of a measurement, into `areaMm` of the painter's device: the title, the
// fields, the notice of an incomplete measurement, the table, and the diagram below it.
void drawMeasurementPage(QPainter& painter, const QRectF& areaMm, const MeasurementResult& result,
                         const LanguageTexts& texts, const MeasurementTrend& trend);

} // namespace kesto
