#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace kesto::test {

// The texts of the export's error boxes shown over `parent`; the boxes are closed.
inline QStringList takeErrorBoxes(QWidget& parent) {
    QStringList texts;
    for (QMessageBox* box :
         parent.findChildren<QMessageBox*>(QStringLiteral("WordExportErrorBox"))) {
        texts << box->text();
        delete box;
    }
    return texts;
}

} // namespace kesto::test
