#pragma once

#include <QFont>
#include <QString>

namespace kesto {

// The window layouts name Windows desktop fonts ("MS Sans Serif", "Arial"). Where those are
// not installed, they map to the closest sans-serif faces present, so text keeps roughly the
// width the layouts were made for.
void installFontSubstitutions();

// A font of the given family and size in points, with the substitutions installed.
QFont layoutFont(const QString& family, int pointSize, bool bold = false);

} // namespace kesto
