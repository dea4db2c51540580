#pragma once

#include <QByteArray>
#include <QImage>

namespace kesto {

// Decodes a baseline or progressive JPEG (grey or colour) with libjpeg. Corrupt, truncated-header
// or unsupported data give a null image; libjpeg's own error exit is caught, so bad data never
// ends the program.
QImage decodeJpeg(const QByteArray& data);

} // namespace kesto
