#pragma once

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QObject>
#include <QString>

#include <mutex>

namespace kesto {

// A widget that shows a value assistive tools can read but not set.
class ReadOnlyValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    ReadOnlyValueAccessible(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant minimumStepSize() const override { return 0.0; }
};

// Installs, once per widget class, the accessibility factory that gives widgets of class
// `Widget` the interface `Interface` (constructed from the widget).
template <typename Widget, typename Interface> void installAccessibleInterface() {
    static std::once_flag once;
    std::call_once(once, [] {
        QAccessible::installFactory(
            [](const QString& className, QObject* object) -> QAccessibleInterface* {
                if (className != QLatin1String(Widget::staticMetaObject.className()) ||
                    object == nullptr || !object->isWidgetType()) {
                    return nullptr;
                }
                auto* widget = qobject_cast<Widget*>(object);
                return widget != nullptr ? new Interface(widget) : nullptr;
            });
    });
}

} // namespace kesto
