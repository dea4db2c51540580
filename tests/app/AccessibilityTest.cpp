// What a screen reader finds in the program's windows. The walker goes through the accessibility
// interfaces of every window the program creates, whatever they hold, so windows and controls
// added later are checked the same way. Set KESTO_A11Y_DUMP=1 to print every interface it visits.

#include "app/ProgramWindows.h"
#include "platform/qt/ToneBeeper.h"
#include "tests/CoreFakes.h"
#include "tests/QtTestSupport.h"
#include "widgets/BarGauge.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <set>

using namespace kesto;

namespace {

class SilentBeeper final : public Beeper {
public:
    void beep() override {}
};

// One interface the walker visited that a user reads or works.
struct Control {
    QString window;
    QString path;
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString value;
    QString spoken; // what labels it, then its name: what a reader says to tell it apart
    QObject* object = nullptr;
};

QString roleName(QAccessible::Role role) {
    return QString::number(static_cast<int>(role), 16);
}

// Roles of controls a user works with; each needs a name.
bool isInteractiveRole(QAccessible::Role role) {
    static const std::set<QAccessible::Role> kRoles{
        QAccessible::Button,         QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::ComboBox,       QAccessible::EditableText, QAccessible::SpinBox,
        QAccessible::Slider,         QAccessible::Dial,         QAccessible::PageTab,
        QAccessible::MenuItem,       QAccessible::ButtonMenu,   QAccessible::ButtonDropDown,
        QAccessible::ButtonDropGrid, QAccessible::Link,         QAccessible::HotkeyField,
        QAccessible::ListItem,       QAccessible::TreeItem,     QAccessible::Cell};
    return kRoles.contains(role);
}

// Roles that only carry a value to read.
bool isValueRole(QAccessible::Role role) {
    return role == QAccessible::ProgressBar || role == QAccessible::Indicator ||
           role == QAccessible::Chart;
}

// Scroll bars belong to the scrolled view, which the reader scrolls itself; separators and
// the window frames hold nothing to read.
bool isIgnoredRole(QAccessible::Role role) {
    return role == QAccessible::ScrollBar || role == QAccessible::Separator ||
           role == QAccessible::Window || role == QAccessible::Dialog || role == QAccessible::Grip;
}

QString labelsOf(QAccessibleInterface* iface) {
    QStringList labels;
    for (const auto& [label, relation] : iface->relations(QAccessible::Label)) {
        if (label != nullptr) {
            const QString text = label->text(QAccessible::Name).trimmed();
            if (!text.isEmpty()) {
                labels << text;
            }
        }
    }
    return labels.join(QLatin1Char(' '));
}

// A widget hidden on purpose is not there for the reader; pages of a stack that are merely not
// the current one are.
bool hiddenOnPurpose(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget == nullptr || widget->isWindow()) {
        return false;
    }
    return widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
           qobject_cast<const QStackedWidget*>(widget->parentWidget()) == nullptr;
}

class Walker {
public:
    std::vector<Control> controls;
    QStringList problems;

    void walkWindow(QWidget* window) {
        window_ = window->objectName().isEmpty()
                      ? QString::fromLatin1(window->metaObject()->className())
                      : window->objectName();
        visited_.clear();
        visit(QAccessible::queryAccessibleInterface(window), window_, 0);
    }

private:
    void visit(QAccessibleInterface* iface, const QString& path, int depth) {
        if (iface == nullptr || !iface->isValid() || depth > 40) {
            return;
        }
        if (!visited_.insert(QAccessible::uniqueId(iface)).second) {
            return;
        }
        const QAccessible::Role role = iface->role();
        const QAccessible::State state = iface->state();
        const QString name = iface->text(QAccessible::Name);
        const QString value = iface->text(QAccessible::Value);
        if (qEnvironmentVariableIsSet("KESTO_A11Y_DUMP")) {
            const QAccessibleActionInterface* actions = iface->actionInterface();
            qInfo().noquote() << path << "role" << roleName(role) << "name" << name << "value"
                              << value << "description" << iface->text(QAccessible::Description)
                              << "labels" << labelsOf(iface) << "focusable" << state.focusable
                              << "actions" << (actions ? actions->actionNames() : QStringList());
        }
        // The list of a combo box is spoken under the combo box's name.
        const bool comboList = role == QAccessible::List && iface->parent() != nullptr &&
                               iface->parent()->role() == QAccessible::ComboBox;
        if (!isIgnoredRole(role) && !comboList) {
            // A widget that hands its focus on (a tab widget to its tab bar) is no stop itself.
            const auto* widget = qobject_cast<const QWidget*>(iface->object());
            const bool focusStop =
                state.focusable && (widget == nullptr || widget->focusProxy() == nullptr);
            const bool interactive = isInteractiveRole(role) || focusStop;
            const bool valueBearing = isValueRole(role) || iface->valueInterface() != nullptr ||
                                      !value.trimmed().isEmpty();
            if (interactive || valueBearing) {
                const QString labels = labelsOf(iface);
                const QString spoken =
                    labels.isEmpty() ? name.trimmed() : labels + QLatin1Char(' ') + name.trimmed();
                const Control c{window_, path,   role,           name.trimmed(),
                                value,   spoken, iface->object()};
                // A cell of a table or tree may be empty (a folder has no size); an entry of
                // a list, a button or a field never is.
                const bool dataCell = role == QAccessible::Cell || role == QAccessible::TreeItem;
                if (c.spoken.trimmed().isEmpty() && !dataCell) {
                    problems << QStringLiteral("%1: no name (role 0x%2)").arg(path, roleName(role));
                }
                // Through AT-SPI every value interface brings "Increase" and "Decrease"; on our
                // own widgets they must be actions of the widget, not ones that do nothing.
                const QAccessibleActionInterface* actions = iface->actionInterface();
                const QStringList own = actions != nullptr ? actions->actionNames() : QStringList();
                if (iface->valueInterface() != nullptr && c.object != nullptr &&
                    QByteArray(c.object->metaObject()->className()).startsWith("kesto::") &&
                    (!own.contains(QAccessibleActionInterface::increaseAction()) ||
                     !own.contains(QAccessibleActionInterface::decreaseAction()))) {
                    problems << QStringLiteral(
                                    "%1: a value without Increase and Decrease of its own")
                                    .arg(path);
                }
                controls.push_back(c);
            }
        }
        if (role == QAccessible::ScrollBar) {
            return;
        }
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (child == nullptr || hiddenOnPurpose(child->object())) {
                continue;
            }
            QString step = child->object() != nullptr ? child->object()->objectName() : QString();
            if (step.isEmpty()) {
                step = QStringLiteral("%1#%2").arg(roleName(child->role())).arg(i);
            }
            visit(child, path + QLatin1Char('/') + step, depth + 1);
        }
    }

    QString window_;
    std::set<QAccessible::Id> visited_;
};

// The windows a user can meet: every top-level window of the program, menus and pop-ups aside
// (the menu bar carries the menus' commands).
QList<QWidget*> programWindows() {
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if ((type == Qt::Window || type == Qt::Dialog) && qobject_cast<QMenu*>(w) == nullptr) {
            windows << w;
        }
    }
    return windows;
}

// Shows each of the program's windows in turn, runs `check` on it and hides it again if it was
// hidden. `Ours` leaves out Qt's own dialogs (the file dialogs).
enum class Windows { All, Ours };
void forEachWindowShown(Windows which, const std::function<void(QWidget*)>& check) {
    for (QWidget* window : programWindows()) {
        if (which == Windows::Ours &&
            !QByteArray(window->metaObject()->className()).startsWith("kesto::")) {
            continue;
        }
        const bool wasVisible = window->isVisible();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        check(window);
        if (!wasVisible) {
            window->hide();
        }
    }
}

// Lists every problem as a warning; the count is the failure message.
QByteArray reported(const QStringList& problems) {
    for (const QString& problem : problems) {
        qWarning().noquote() << problem;
    }
    return QStringLiteral("%1 problems").arg(problems.size()).toLocal8Bit();
}

// The widgets Tab visits in `window`, in order, starting after the window itself.
QList<QWidget*> tabChain(QWidget* window) {
    QList<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) != 0 && w->isVisible() &&
            w->isEnabled() && w->focusProxy() == nullptr && !chain.contains(w)) {
            chain << w;
        }
    }
    return chain;
}

// Reading order: `next` may not stand wholly above `previous`, nor on its row wholly to its left.
// Two widgets share a row when each one's middle lies within the other's height (a tall picture
// beside several rows shares none of them).
QString readingOrderProblem(QWidget* window, QWidget* previous, QWidget* next) {
    const QRect p(previous->mapTo(window, QPoint(0, 0)), previous->size());
    const QRect n(next->mapTo(window, QPoint(0, 0)), next->size());
    const bool above = n.bottom() < p.top();
    auto within = [](const QRect& a, const QRect& b) {
        return a.center().y() >= b.top() && a.center().y() <= b.bottom();
    };
    const bool sameRow = within(n, p) && within(p, n);
    if (above || (sameRow && n.right() < p.left())) {
        return QStringLiteral("%1: Tab goes from %2 back to %3")
            .arg(window->objectName(), previous->objectName(), next->objectName());
    }
    return {};
}

QString nameOf(QObject* object, QAccessible::Text text = QAccessible::Name) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(text) : QString();
}

using kesto::test::whenModal;

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("HOME", QFile::encodeName(home_.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.path() + "/.config"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home_.path() + "/.local/share"));
    }

    void everyControlHasANameAndEveryGaugeItsOwnNameAndUnit() {
        auto program = makeProgram();
        Walker walker;
        forEachWindowShown(Windows::All, [&walker](QWidget* window) { walker.walkWindow(window); });
        // Guards the walk itself: it reached the live page and the dialogs.
        QVERIFY(std::count_if(walker.controls.begin(), walker.controls.end(), [](const Control& c) {
                    return qobject_cast<BarGauge*>(c.object) != nullptr;
                }) == static_cast<long>(kChannelCount));
        QVERIFY(std::any_of(walker.controls.begin(), walker.controls.end(),
                            [](const Control& c) { return c.window == "ChannelProperties"; }));

        QStringList problems = walker.problems;
        std::map<QString, QString> gaugeNames;
        std::map<std::tuple<QString, int, QString>, QString> spokenNames;
        for (const Control& c : walker.controls) {
            if (const auto* gauge = qobject_cast<BarGauge*>(c.object)) {
                const auto [other, fresh] = gaugeNames.emplace(c.name, c.path);
                if (!fresh) {
                    problems << QStringLiteral("%1 and %2: both gauges are named \"%3\"")
                                    .arg(other->second, c.path, c.name);
                }
                // A channel without a value (without an analyzer: all of them) says so.
                const QString unit = gauge->isValid() ? gauge->unit().trimmed() : "no value";
                if (!unit.isEmpty() && !c.value.endsWith(gauge->isValid() ? ' ' + unit : unit)) {
                    problems << QStringLiteral("%1: value \"%2\" without its unit \"%3\"")
                                    .arg(c.path, c.value, unit);
                }
                continue;
            }
            if (c.role == QAccessible::ListItem || c.role == QAccessible::TreeItem ||
                c.role == QAccessible::Cell) {
                continue; // entries of a list may repeat (silver stands twice in the colours)
            }
            const auto [other, fresh] = spokenNames.emplace(
                std::tuple(c.window, static_cast<int>(c.role), c.spoken), c.path);
            if (!fresh && !c.spoken.isEmpty()) {
                problems << QStringLiteral("%1 and %2: both are called \"%3\"")
                                .arg(other->second, c.path, c.spoken);
            }
        }
        QVERIFY2(problems.isEmpty(), reported(problems).constData());
    }

    void tabFollowsTheLayoutInEveryWindow() {
        auto program = makeProgram();
        QStringList problems;
        int checked = 0;
        // Qt's own dialogs keep Qt's order.
        forEachWindowShown(Windows::Ours, [&](QWidget* window) {
            auto checkChain = [&] {
                const QList<QWidget*> chain = tabChain(window);
                for (qsizetype i = 1; i < chain.size(); ++i) {
                    const QString problem = readingOrderProblem(window, chain[i - 1], chain[i]);
                    if (!problem.isEmpty() && !problems.contains(problem)) {
                        problems << problem;
                    }
                }
                checked += static_cast<int>(chain.size());
            };
            checkChain();
            for (QTabWidget* tab : window->findChildren<QTabWidget*>()) {
                const int current = tab->currentIndex();
                for (int page = 0; page < tab->count(); ++page) {
                    tab->setCurrentIndex(page);
                    checkChain();
                }
                tab->setCurrentIndex(current);
            }
        });
        QVERIFY(checked > 40); // the live page alone has 34 stops
        QVERIFY2(problems.isEmpty(), reported(problems).constData());
    }

    void namesFollowTheLanguageAndARenamedChannel() {
        auto program = makeProgram(QStringLiteral(KESTO_LANGUAGE_FILE));
        TMainFrm& main = program->main;
        auto find = [&main](const char* name) { return main.findChild<QWidget*>(name); };
        const std::map<QString, QString> german{
            {"TRBar", "T Raum [\u00B0C]"},
            {"LAMBDABar", "Lambda"},
            {"COMGBar", "CO [mg/m3]"},
            {"Edit1", "CO [mg/m3] Bezugs-O2 %"},
            {"CheckBox1", "CO [mg/m3] berechnet"},
            {"Edit5", "CO [ppm] Bezugs-O2 %"},
            {"CheckBox5", "CO [ppm] berechnet"},
            {"Image1", "Meldungen"},
            {"StringGrid1", "Gro\u00DFanzeige"},
        };
        for (const auto& [object, name] : german) {
            QCOMPARE(nameOf(find(object.toLatin1().constData())), name);
        }
        QAccessibleInterface* channels =
            QAccessible::queryAccessibleInterface(main.findChild<QComboBox*>("ComboBox2"));
        QCOMPARE(channels->text(QAccessible::Description), QString("Kanal der Cursor-Anzeige"));
        // Spoken values too: a gauge without a value, the live and the viewer's diagrams
        // before a record has been under the cursor.
        QCOMPARE(nameOf(find("O2Bar"), QAccessible::Value), QString("kein Wert"));
        QCOMPARE(nameOf(find("AbTrend2"), QAccessible::Value), "Kein Datensatz am Cursor");
        QCOMPARE(nameOf(program->viewer.findChild<QObject*>("AbTrend4"), QAccessible::Value),
                 "Kein Datensatz am Cursor");
        // The visible captions stay as they were.
        QCOMPARE(main.findChild<QCheckBox*>("CheckBox1")->text(), QString("berechnet"));

        whenModal([&program](QWidget*) {
            program->properties.nameEdit()->setText("Kohlenmonoxid");
            program->properties.okButton()->click();
        });
        QTest::keyClick(find("COMGBar"), Qt::Key_Space);
        QCOMPARE(nameOf(find("COMGBar")), QString("Kohlenmonoxid [mg/m3]"));
        QCOMPARE(nameOf(find("Edit1")), QString("Kohlenmonoxid [mg/m3] Bezugs-O2 %"));
        QCOMPARE(nameOf(find("CheckBox1")), QString("Kohlenmonoxid [mg/m3] berechnet"));
        QCOMPARE(nameOf(find("CheckBox5")), QString("CO [ppm] berechnet"));
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(find("StringGrid1"));
        QStringList cells;
        for (int i = 0; i < grid->childCount(); ++i) {
            cells << grid->child(i)->text(QAccessible::Name);
        }
        QVERIFY2(cells.contains("Kohlenmonoxid [mg/m3]"), qPrintable(cells.join(", ")));
    }

    void keyboardAloneReachesEveryControlOfTheLivePageInRowOrder() {
        auto program = makeProgram();
        TMainFrm& main = program->main;
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QStringList expected{
            "O2Bar",     "Image1",    "CO2Bar",    "TGBar",   "TRBar",     "ETABar",    "LAMBDABar",
            "COBar",     "Edit5",     "CheckBox5", "COMGBar", "Edit1",     "CheckBox1", "NOBar",
            "Edit6",     "CheckBox6", "NO2Bar",    "Edit7",   "CheckBox7", "NOXMGBar",  "Edit2",
            "CheckBox2", "SO2Bar",    "SO2MGBar",  "Edit3",   "CheckBox3", "CXHYBar",   "CXHYMGBar",
            "Edit4",     "CheckBox4", "ZugBar",    "FlowBar", "H2Bar",     "S6Bar"};
        QStringList order;
        QWidget* w = main.findChild<QWidget*>("O2Bar");
        for (int i = 0; i < expected.size(); ++i, w = w->nextInFocusChain()) {
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisible()) {
                w = w->nextInFocusChain();
            }
            order << w->objectName();
        }
        QCOMPARE(order, expected);

        // Return on the picture opens the messages window, as a click does.
        QWidget* picture = main.findChild<QWidget*>("Image1");
        picture->setFocus();
        QTRY_VERIFY(picture->hasFocus());
        QVERIFY(!program->messages.isVisible());
        QTest::keyClick(picture, Qt::Key_Return);
        QVERIFY(program->messages.isVisible());
        program->messages.hide();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picture);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->actionInterface()->actionNames(),
                 QStringList{QAccessibleActionInterface::pressAction()});
        iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(program->messages.isVisible());

        // The gauge's "Press" opens its property dialog, as a click does.
        QString title;
        whenModal([&title](QWidget* modal) {
            title = modal->windowTitle();
            modal->close();
        });
        QAccessibleInterface* gauge =
            QAccessible::queryAccessibleInterface(main.findChild<QWidget*>("NOXMGBar"));
        gauge->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(title, QString("Settings NOXMG"));
    }

private:
    std::unique_ptr<ProgramWindows> makeProgram(const QString& languageFile = {}) {
        MainFrmOptions o;
        o.store = &store_;
        o.languageFile = languageFile.isEmpty()
                             ? (home_.path() + "/no-such-language.GER").toStdString()
                             : languageFile.toStdString();
        o.languageId = 0x0409;
        link_.probeSucceeds = false;
        link_.openError = "no analyzer in this test";
        o.link = &link_;
        o.beeper = &beeper_;
        auto program = std::make_unique<ProgramWindows>(o);
        program->main.show();
        return program;
    }

    QTemporaryDir home_;
    MemoryRegistryStore store_;
    test::FakeSerialLink link_; // no analyzer: every port is refused
    SilentBeeper beeper_;
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
