#include "ui/pages/DelayWidget.h"

#include "protocol/keyvocabulary.h"
#include "ui/KnobEditor.h"
#include "ui/actiontext.h"
#include "ui/pages/PagePanel.h"
#include "ui/svgpixmap.h"
#include "ui/textfit.h"

#include <QDebug>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>
#include <functional>

namespace {

QString placeholderName()
{
    return DelayWidget::tr("Key");
}

// An emptied field is only "intermediate" to an integer validator, and a line
// edit then swallows Enter and focus-out without a signal, leaving the field
// blank over an unchanged delay. Fixing the text up to the stored delay lets
// the edit finish and the field show what will be saved.
class DelayFieldValidator : public QIntValidator
{
public:
    DelayFieldValidator(std::function<int()> stored, QObject *parent)
        : QIntValidator(0, 999999, parent), m_stored(std::move(stored))
    {}

    void fixup(QString &input) const override { input = QString::number(m_stored()); }

private:
    std::function<int()> m_stored;
};

} // namespace

DelayWidget::DelayWidget(QWidget *parent) : QWidget(parent)
{
    for (int k = 0; k < 5; ++k) {
        for (int s = 0; s < kDelaySlots; ++s)
            m_virtualKeyTexts[k][s] = placeholderName();
    }
    setupUI();
    setEditor(new KnobEditor(this));
}

void DelayWidget::setupUI()
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(776, 248);
    resize(kPageDesignWidth, kPageDesignHeight);
    m_background = new PagePanel(this);
    m_background->lower();
    setupDelayTags();
    updateScaledLayout();
}

void DelayWidget::setupDelayTags()
{
    const QSize iconSize(32, 32);
    const QPixmap minusActive =
        renderSvgPixmap(QStringLiteral(":/asset/delay/minus_active.svg"), iconSize, this);
    const QPixmap minusInactive =
        renderSvgPixmap(QStringLiteral(":/asset/delay/minus_inactive.svg"), iconSize, this);
    const QPixmap plusActive =
        renderSvgPixmap(QStringLiteral(":/asset/delay/plus_active.svg"), iconSize, this);
    const QPixmap plusInactive =
        renderSvgPixmap(QStringLiteral(":/asset/delay/plus_inactive.svg"), iconSize, this);
    if (minusActive.isNull() || plusActive.isNull())
        qWarning().noquote() << "Delay icon load failed, minus null:"
                             << (minusActive.isNull() ? "true" : "false")
                             << "plus null:" << (plusActive.isNull() ? "true" : "false");

    auto makeIcon = [](const QPixmap &active, const QPixmap &inactive) {
        QIcon icon;
        icon.addPixmap(active, QIcon::Normal);
        icon.addPixmap(active, QIcon::Active);
        icon.addPixmap(inactive.isNull() ? active : inactive, QIcon::Disabled);
        return icon;
    };
    const QIcon minusIcon = makeIcon(minusActive, minusInactive);
    const QIcon plusIcon = makeIcon(plusActive, plusInactive);
    const QString buttonStyle =
        QStringLiteral("QPushButton { background: transparent; border: none; "
                       "}QPushButton:disabled { background: transparent; border: none; }");

    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 6; ++col) {
            const int slot = row * 6 + col;
            Slot &s = m_slots[slot];
            s.tag = new QLabel(this);
            s.tag->setStyleSheet(
                QStringLiteral("QLabel {background-color: #1C1C1C;border: none;border-radius: 16px;}"));
            s.valueRow = new QLabel(s.tag);
            s.valueRow->setStyleSheet(QStringLiteral("QLabel {background-color: transparent;border: none;}"));

            auto makeButton = [&](const QIcon &icon) {
                auto *b = new QPushButton(s.valueRow);
                b->setFlat(true);
                b->setFocusPolicy(Qt::NoFocus);
                b->setCursor(Qt::PointingHandCursor);
                b->setStyleSheet(buttonStyle);
                b->setIcon(icon);
                return b;
            };
            s.minus = makeButton(minusIcon);
            s.plus = makeButton(plusIcon);
            s.minus->setToolTip(tr("Shorter delay"));
            s.plus->setToolTip(tr("Longer delay"));
            s.minus->setAccessibleName(s.minus->toolTip());
            s.plus->setAccessibleName(s.plus->toolTip());

            s.field = new QLineEdit(s.valueRow);
            s.field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            s.field->setFrame(false);
            s.field->setMaxLength(7);
            s.field->setAccessibleName(tr("Delay before action %1, ms").arg(slot + 1));
            s.field->setValidator(new DelayFieldValidator(
                [this, slot]() { return delayForVirtualKey(m_selectedKnobKey, slot); }, s.field));

            // A unit symbol, the same in every language.
            s.unit = new QLabel(QStringLiteral("ms"), s.valueRow);
            s.unit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            s.name = new QLabel(placeholderName(), s.tag);
            s.name->setAlignment(Qt::AlignCenter);
            // A click on an action's name takes that action off the gesture.
            s.name->installEventFilter(this);

            connect(s.minus, &QPushButton::clicked, this, [this, slot]() { stepDelay(slot, false); });
            connect(s.plus, &QPushButton::clicked, this, [this, slot]() { stepDelay(slot, true); });
            QLineEdit *field = s.field;
            connect(field, &QLineEdit::editingFinished, this, [this, slot, field]() {
                qDebug().noquote() << "editingFinished triggered for slot" << slot
                                   << "value:" << field->text();
                applyDelayInput(slot);
            });
            connect(field, &QLineEdit::returnPressed, this, [this, slot, field]() {
                qDebug().noquote() << "returnPressed triggered for slot" << slot << "value:" << field->text();
                applyDelayInput(slot);
            });
            s.tag->raise();
        }
    }
    refreshAllSlots();
}

void DelayWidget::stepDelay(int slot, bool up)
{
    if (!validKey(m_selectedKnobKey))
        return;
    const int d = delayOf(m_selectedKnobKey, slot);
    m_editor->setDelay(m_selectedKnobKey, slot, up ? delayIncremented(d) : delayDecremented(slot, d));
    updateSlotUi(slot);
}

bool DelayWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && validKey(m_selectedKnobKey)) {
        for (int slot = 0; slot < kDelaySlots; ++slot) {
            if (m_slots[slot].name == watched && slot < m_virtualKeyCounts[m_selectedKnobKey - 1]) {
                emit actionClicked(m_selectedKnobKey, slot);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DelayWidget::setEditor(KnobEditor *editor)
{
    if (!editor || editor == m_editor)
        return;
    if (m_editor && m_editor->parent() == this)
        m_editor->deleteLater();
    m_editor = editor;
    connect(editor, &KnobEditor::gestureChanged, this, &DelayWidget::showGesture);
    connect(editor, &KnobEditor::documentReplaced, this, &DelayWidget::showAllGestures);
    showAllGestures();
}

void DelayWidget::showAllGestures()
{
    for (int k = 1; k <= 5; ++k)
        showGesture(k);
}

void DelayWidget::showGesture(int k)
{
    if (!validKey(k))
        return;
    QList<QString> texts;
    for (const QString &name :
         actionTexts(m_editor->gesture(k), m_editor->isMacLayout()).mid(0, kMaxVirtualKeys))
        texts.append(textBoxDisplayText(name));
    m_virtualKeyCounts[k - 1] = int(texts.size());
    setVirtualKeyTexts(k, texts);
}

int DelayWidget::delayOf(int k, int slot) const
{
    const QList<KnobAction> &actions = m_editor->gesture(k);
    return slot < actions.size() ? actions[slot].delayMs : KnobAction::defaultDelay(slot);
}

void DelayWidget::setSelectedKnobKey(int k)
{
    m_selectedKnobKey = validKey(k) ? k : 0;
    refreshAllSlots();
}

void DelayWidget::setVirtualKeyCount(int k, int n)
{
    if (!validKey(k))
        return;
    m_virtualKeyCounts[k - 1] = std::clamp(n, 0, kDelaySlots);
    if (k == m_selectedKnobKey)
        refreshAllSlots();
}

void DelayWidget::setVirtualKeyTexts(int k, const QList<QString> &texts)
{
    if (!validKey(k))
        return;
    for (int s = 0; s < kDelaySlots; ++s)
        m_virtualKeyTexts[k - 1][s] = s < texts.size() ? texts.at(s) : placeholderName();
    if (k == m_selectedKnobKey)
        refreshAllSlots();
}

void DelayWidget::setDelayForVirtualKey(int k, int slot, int ms)
{
    if (!validKey(k) || slot < 0 || slot >= kDelaySlots)
        return;
    m_editor->setDelay(k, slot, clampDelay(slot, ms));
    if (k == m_selectedKnobKey)
        updateSlotUi(slot);
}

int DelayWidget::delayForVirtualKey(int k, int slot) const
{
    if (!validKey(k) || slot < 0 || slot >= kDelaySlots)
        return 50;
    return delayOf(k, slot);
}

void DelayWidget::applyDelayInput(int slot)
{
    if (slot < 0 || slot >= kDelaySlots) {
        qWarning() << "applyDelayInput: invalid slotIndex" << slot;
        return;
    }
    if (!validKey(m_selectedKnobKey)) {
        qWarning() << "applyDelayInput: invalid m_selectedKnobKey" << m_selectedKnobKey;
        return;
    }
    const int count = m_virtualKeyCounts[m_selectedKnobKey - 1];
    if (slot >= count) {
        qWarning() << "applyDelayInput: slotIndex >= virtualCount" << slot << count;
        return;
    }
    const int stored = delayOf(m_selectedKnobKey, slot);
    bool parsed = false;
    const QString text = m_slots[slot].field->text();
    const int raw = text.toInt(&parsed, 10);
    if (!parsed)
        qDebug() << "applyDelayInput: parse failed, using stored value";
    qDebug() << "applyDelayInput: input value =" << (parsed ? raw : stored) << "before clamp";
    const int value = delayFromInput(slot, text, stored);
    qDebug() << "applyDelayInput: clamped value =" << value;
    m_editor->setDelay(m_selectedKnobKey, slot, value);
    updateSlotUi(slot);
}

void DelayWidget::refreshAllSlots()
{
    for (int s = 0; s < kDelaySlots; ++s)
        updateSlotUi(s);
}

void DelayWidget::updateSlotUi(int slot)
{
    if (slot < 0 || slot >= kDelaySlots)
        return;
    Slot &s = m_slots[slot];
    if (!s.field)
        return;
    const PageScale scale(size());
    const int radius = std::max(6, scale.m(8));
    const int font = std::max(10, scale.m(13));
    const QString inactive =
        QStringLiteral(
            "QLabel {background-color: rgba(255, 255, 255, 0.04); border: none; border-radius: %1px; "
            "color: #67696A; font-size: %2px; font-weight: 500;}")
            .arg(radius)
            .arg(font);
    const auto active = [radius](int px) {
        return QStringLiteral(
                   "QLabel {background-color: rgba(255, 255, 255, 0.10); border: none; border-radius: %1px; "
                   "color: #FFFFFF; font-size: %2px; font-weight: 500;}")
            .arg(radius)
            .arg(px);
    };

    auto setFieldText = [&s](const QString &text) {
        const bool was = s.field->blockSignals(true);
        s.field->setText(text);
        s.field->blockSignals(was);
    };

    if (!validKey(m_selectedKnobKey)) {
        setFieldText(slot == 0 ? QStringLiteral("0") : QStringLiteral("50"));
        s.field->setEnabled(false);
        s.minus->setEnabled(false);
        s.plus->setEnabled(false);
        s.name->setText(placeholderName());
        s.name->setStyleSheet(inactive);
        return;
    }
    const int k = m_selectedKnobKey - 1;
    const int delay = delayOf(k + 1, slot);
    setFieldText(QString::number(delay));
    if (slot < m_virtualKeyCounts[k]) {
        s.field->setEnabled(true);
        s.minus->setEnabled(delay > delayMinimumForSlot(slot));
        s.plus->setEnabled(delay < kDelayMaximum);
        QString name = m_virtualKeyTexts[k][slot];
        if (name.isEmpty())
            name = placeholderName();
        // A name a little too long takes a smaller font, down to 9 px, before it is elided.
        QFont f = s.name->font();
        f.setWeight(QFont::Medium);
        const int room = std::max(0, s.name->width() - 6);
        int px = font;
        for (f.setPixelSize(px);
             px > std::max(9, font - 3) && QFontMetrics(f).horizontalAdvance(name) > room;)
            f.setPixelSize(--px);
        textfit::setElidedText(s.name, name, QFontMetrics(f), room);
        s.name->setStyleSheet(active(px));
        s.name->setCursor(Qt::PointingHandCursor);
    } else {
        s.field->setEnabled(false);
        s.minus->setEnabled(false);
        s.plus->setEnabled(false);
        s.name->setText(placeholderName());
        s.name->setToolTip(QString());
        s.name->setStyleSheet(inactive);
        s.name->unsetCursor();
    }
}

void DelayWidget::updateScaledLayout()
{
    const PageScale s(size());
    const int tagRadius = std::max(8, s.m(16));
    const int fieldFont = std::max(10, s.m(13));
    const QString tagStyle =
        QStringLiteral("QLabel {background-color: #1C1C1C; border: none; border-radius: %1px;}")
            .arg(tagRadius);
    const QString fieldStyle =
        QStringLiteral("QLineEdit {background: transparent; border: none; color: #FFFFFF; "
                       "font-size: %1px; font-weight: 500;}QLineEdit:disabled {color: "
                       "#A9AAAA;}")
            .arg(fieldFont);
    const QString unitStyle = QStringLiteral("QLabel {background: transparent; border: none; color: #A9AAAA; "
                                             "font-size: %1px; font-weight: 500;}")
                                  .arg(fieldFont);
    auto place = [&s](QWidget *w, int x, int y, int width, int height) {
        w->setGeometry(s.x(x), s.y(y), s.x(width), s.y(height));
    };
    m_background->setGeometry(rect());
    QFont longest = font();
    longest.setPixelSize(fieldFont);
    longest.setWeight(QFont::Medium);
    const bool fieldFits =
        QFontMetrics(longest).horizontalAdvance(QString::number(kDelayMaximum)) + 4 <= s.x(52);
    for (int slot = 0; slot < kDelaySlots; ++slot) {
        Slot &t = m_slots[slot];
        place(t.tag, 16 + 255 * (slot % 6), 84 + 72 * (slot / 6), 243, 56);
        place(t.valueRow, 12, 12, 154, 32);
        place(t.name, 174, 12, 57, 32);
        // At the font floor the longest delay outgrows its field: the steppers
        // give it some of their width.
        const int step = fieldFits ? 32 : 24;
        place(t.minus, 0, 0, step, 32);
        place(t.field, step + 2, 0, 52 + 2 * (32 - step), 32);
        place(t.unit, 88 + 32 - step, 0, 34, 32);
        place(t.plus, 122 + 32 - step, 0, step, 32);
        const QSize icon(s.x(step), s.y(step));
        t.minus->setIconSize(icon);
        t.plus->setIconSize(icon);
        t.tag->setStyleSheet(tagStyle);
        t.field->setStyleSheet(fieldStyle);
        t.unit->setStyleSheet(unitStyle);
    }
    refreshAllSlots();
}

void DelayWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateScaledLayout();
}

QLineEdit *DelayWidget::delayField(int slot) const
{
    return slot >= 0 && slot < kDelaySlots ? m_slots[slot].field : nullptr;
}

QPushButton *DelayWidget::minusButton(int slot) const
{
    return slot >= 0 && slot < kDelaySlots ? m_slots[slot].minus : nullptr;
}

QPushButton *DelayWidget::plusButton(int slot) const
{
    return slot >= 0 && slot < kDelaySlots ? m_slots[slot].plus : nullptr;
}

QLabel *DelayWidget::nameLabel(int slot) const
{
    return slot >= 0 && slot < kDelaySlots ? m_slots[slot].name : nullptr;
}
