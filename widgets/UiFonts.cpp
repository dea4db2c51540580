#include "widgets/UiFonts.h"

#include <QStringList>

#include <mutex>

namespace kesto {

void installFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList sans{"Microsoft Sans Serif", "Arial",    "Liberation Sans",
                               "Nimbus Sans",          "FreeSans", "DejaVu Sans"};
        QFont::insertSubstitutions("MS Sans Serif", sans);
        QFont::insertSubstitutions("Arial",
                                   {"Liberation Sans", "Nimbus Sans", "FreeSans", "DejaVu Sans"});
    });
}

QFont layoutFont(const QString& family, int pointSize, bool bold) {
    installFontSubstitutions();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize > 0 ? pointSize : 1);
    font.setBold(bold);
    return font;
}

} // namespace kesto
