#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

#include <mutex>

namespace kesto {

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
