#include "app/LivePage.h"

#include "acquisition/SpokenText.h"
#include "config/ChannelProperties.h"
#include "measurement/LimitAlarms.h"
#include "widgets/AlarmLook.h"
#include "widgets/BarGauge.h"
#include "widgets/ClickLabel.h"
#include "widgets/QtText.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

namespace kesto {

namespace {

// Geometry, pixels from the page's top left.
constexpr int kRowTop = 8;
constexpr int kRowStep = 24;
constexpr int kRowHeight = 21;
constexpr int kNameLabelX = 8;
constexpr int kNameLabelWidth = 80;
constexpr int kMinLabelRight = 126; // right-aligned text ends here
constexpr int kMinLabelWidth = 38;
constexpr int kBarX = 136;
constexpr int kBarWidth = 281;
constexpr int kMaxLabelX = 424;
constexpr int kMaxLabelWidth = 52;
constexpr int kEditX = 480;
constexpr int kEditWidth = 41;
constexpr int kUnitLabelX = 528;
constexpr int kUnitLabelWidth = 38;
constexpr int kCheckBoxX = 568;
constexpr int kCheckBoxWidth = 130;
constexpr QRect kImageRect{502, 8, 187, 113};
constexpr QPoint kIntervalLabelPos{600, 8};

int rowTop(std::size_t row) {
    return kRowTop + static_cast<int>(row) * kRowStep;
}

bool setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() == text) {
        return false;
    }
    label->setText(text);
    return true;
}

} // namespace

LivePage::LivePage(QWidget* page, LiveAcquisition& acquisition, QObject* parent)
    : QObject(parent), acquisition_(acquisition) {
    // The picture first, so that the channel rows stand above it where they meet.
    Image1 = new ClickLabel(page);
    Image1->setObjectName("Image1");
    Image1->setGeometry(kImageRect);
    Image1->setPixmap(QPixmap(":/kesto/app/logo.png"));
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setFocusPolicy(Qt::StrongFocus);
    connect(Image1, &ClickLabel::clicked, this, &LivePage::logoClicked);

    Label10 = new QLabel(page);
    Label10->setObjectName("Label10");
    Label10->move(kIntervalLabelPos);
    Label10->resize(kImageRect.right() - kIntervalLabelPos.x(), kRowHeight);

    createRows(page);
    createReferenceEntries(page);
    showReferences();
    orderFocus();
}

void LivePage::createRows(QWidget* page) {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const QString key = qs(std::string(channelKey(channelAt(i))));
        const int y = rowTop(i);
        ChannelRow& row = rows_[i];

        row.label = new ClickLabel(page);
        row.label->setObjectName(key + "Label");
        row.label->setGeometry(kNameLabelX, y, kNameLabelWidth, kRowHeight);
        row.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        row.minLabel = new ClickLabel(page);
        row.minLabel->setObjectName(key + "MinLabel");
        row.minLabel->setGeometry(kMinLabelRight - kMinLabelWidth, y, kMinLabelWidth, kRowHeight);
        row.minLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        row.bar = new BarGauge(page);
        row.bar->setObjectName(key + "Bar");
        row.bar->setGeometry(kBarX, y, kBarWidth, kRowHeight);
        row.bar->setCursor(Qt::PointingHandCursor);
        connect(row.bar, &BarGauge::clicked, this, &LivePage::onComponentClicked);

        row.maxLabel = new ClickLabel(page);
        row.maxLabel->setObjectName(key + "MaxLabel");
        row.maxLabel->setGeometry(kMaxLabelX, y, kMaxLabelWidth, kRowHeight);
        row.maxLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        // Draught, flow, H2 and S6 open their settings from the bar only.
        for (ClickLabel* l : {row.label, row.minLabel, row.maxLabel}) {
            if (componentOpensProperties(l->objectName().toStdString())) {
                connect(l, &ClickLabel::clicked, this, &LivePage::onComponentClicked);
            }
        }
    }
}

void LivePage::createReferenceEntries(QWidget* page) {
    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const auto entry = static_cast<ReferenceEntry>(e);
        const int number = referenceWidgetNumber(entry);
        const Channel channel = referenceChannel(entry);
        const int y = rowTop(index(channel));

        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("Edit%1").arg(number));
        edit->setGeometry(kEditX, y, kEditWidth, kRowHeight);
        edits_[e] = edit;
        auto* unit = new QLabel(
            channel == Channel::NO2 ? QStringLiteral("%O2") : QStringLiteral("% O2"), page);
        unit->setObjectName(QStringLiteral("RefUnitLabel%1").arg(number));
        unit->setGeometry(kUnitLabelX, y, kUnitLabelWidth, kRowHeight);
        auto* check = new QCheckBox(page);
        check->setObjectName(QStringLiteral("CheckBox%1").arg(number));
        check->setGeometry(kCheckBoxX, y, kCheckBoxWidth, kRowHeight);
        checkBoxes_[e] = check;

        connect(edit, &QLineEdit::textChanged, this, [this, e](const QString& text) {
            acquisition_.references()[e].text = text.toStdString();
        });
        connect(check, &QCheckBox::toggled, this,
                [this, e](bool on) { acquisition_.references()[e].checked = on; });
        // The mass-concentration entries take a typed decimal comma as a point.
        if (number <= 4) {
            edit->installEventFilter(this);
        }
    }
}

void LivePage::orderFocus() {
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, next);
        }
        previous = next;
    };
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        chain(rows_[i].bar);
        if (i == 0) {
            chain(Image1); // at the right of the first row
        }
        for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
            if (index(referenceChannel(static_cast<ReferenceEntry>(e))) == i) {
                chain(edits_[e]);
                chain(checkBoxes_[e]);
            }
        }
    }
}

void LivePage::focusFirstEntry() {
    checkBoxes_[index(ReferenceEntry::COPPM)]->setFocus();
}

void LivePage::refresh() {
    const LiveDisplay& display = acquisition_.display();
    bool captionsChanged = false;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ChannelDisplay& d = display[i];
        ChannelRow& row = rows_[i];
        captionsChanged |= setTextIfChanged(row.label, qs(d.label));
        row.label->setEnabled(d.valid);
        setTextIfChanged(row.minLabel, qs(d.minLabel));
        setTextIfChanged(row.maxLabel, qs(d.maxLabel));
        row.bar->setSettings(d.settings);
        row.bar->setValue(d.value);
        row.bar->setValid(d.valid);
        row.bar->setAlarm(d.alarm, qs(limitAlarmText(d.settings, d.alarm, texts_)));
        showLabelAlarm(row.label, d.alarm);
    }
    if (captionsChanged) {
        updateAccessibleNames();
    }
}

void LivePage::showReferences() {
    const ReferenceSettings& refs = acquisition_.references();
    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const QString text = qs(refs[e].text);
        if (edits_[e]->text() != text) {
            edits_[e]->setText(text);
        }
        if (checkBoxes_[e]->isChecked() != refs[e].checked) {
            checkBoxes_[e]->setChecked(refs[e].checked);
        }
    }
}

void LivePage::setReferenceFields(const QString& text) {
    for (QLineEdit* edit : edits_) {
        edit->setText(text); // the binding copies it into the model
    }
}

void LivePage::applyLanguage(const LanguageTexts& texts) {
    texts_ = texts;
    for (ChannelRow& row : rows_) {
        row.bar->setNoValueText(qs(texts.noValue));
    }
    for (QCheckBox* check : checkBoxes_) {
        check->setText(qs(texts.calculated));
    }
    Image1->setAccessibleName(qs(texts.messages));
    refresh();
    updateAccessibleNames();
}

void LivePage::updateAccessibleNames() {
    const LiveDisplay& display = acquisition_.display();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        rows_[i].bar->setAccessibleName(qs(spokenLabel(display[i].label)));
    }
    // The visible captions ("% O2", "calculated") are the same on every row; the spoken names
    // tell the rows apart by their channel, so that the ppm and mg/m3 rows differ.
    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const Channel channel = referenceChannel(static_cast<ReferenceEntry>(e));
        const QString caption = qs(spokenLabel(display[index(channel)].label));
        edits_[e]->setAccessibleName(caption + QLatin1Char(' ') + qs(texts_.referenceO2));
        checkBoxes_[e]->setAccessibleName(caption + QLatin1Char(' ') + qs(texts_.calculated));
    }
}

void LivePage::onComponentClicked() {
    if (const QObject* s = sender()) {
        emit channelClicked(qs(channelKeyOfComponent(s->objectName().toStdString())));
    }
}

bool LivePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() != QLatin1String(",")) {
        return false;
    }
    QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, key->modifiers(), QStringLiteral("."),
                    key->isAutoRepeat(), static_cast<quint16>(key->count()));
    QCoreApplication::sendEvent(watched, &point);
    return true;
}

} // namespace kesto
