#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace kesto {

// Page tabs drawn by the program: white, caption centred, the active one drawn like the others
// apart from its sunken edge.
class OwnerDrawTabBar : public QTabBar {
    Q_OBJECT

public:
    static constexpr int kTabHeight = 21;
    explicit OwnerDrawTabBar(QWidget* parent = nullptr);

    // Fills the tab white and centres its caption, clipped to the tab.
    void PageControl1DrawTab(QPainter& painter, int index) const;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;
};

// The main window's pages, with the program's own tabs.
class PageControl : public QTabWidget {
    Q_OBJECT

public:
    explicit PageControl(QWidget* parent = nullptr);
};

} // namespace kesto
