#include "ui/pages/ButtonGridPage.h"

#include "protocol/knobaction.h"
#include "ui/GestureSelection.h"

#include "ui/pages/PagePanel.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/pagerules.h"

#include <QDebug>

ButtonGridPage::ButtonGridPage(QWidget *parent) : QWidget(parent) {}

void ButtonGridPage::setupCanvas()
{
    resize(kPageDesignWidth, kPageDesignHeight);
    setMinimumSize(776, 248);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ButtonGridPage::setupBackground()
{
    m_background = new PagePanel(this);
    m_background->setGeometry(rect());
    m_background->lower();
}

PaintedButton *ButtonGridPage::addGridButton(const QString &name, const QString &text, const QRect &designRect,
                                            const char *clickLog)
{
    auto *button = new PaintedButton(text, this);
    button->setGeometry(designRect);
    button->setFontPixelSizeRange(11, 16);
    m_design.append({name, designRect});
    makeSelectable(button, name, clickLog);
    return button;
}

void ButtonGridPage::layoutGrid(const FontRange &font)
{
    const PageScale s(size());
    for (const auto &[name, r] : std::as_const(m_design)) {
        PaintedButton *b = m_buttons.value(name);
        if (!b)
            continue;
        b->setFontPixelSizeRange(font.minimum, font.maximum);
        b->setGeometry(s.x(r.x()), s.y(r.y()), s.x(r.width()), s.y(r.height()));
    }
}

void ButtonGridPage::makeSelectable(PaintedButton *button, const QString &name, const char *clickLog)
{
    m_buttons.insert(name, button);
    // The mark follows what the gesture holds, which the window tells.
    connect(button, &QPushButton::clicked, this, [this, name, clickLog]() {
        qDebug().noquote() << clickLog << name;
        emitClicked(name);
    });
}

void ButtonGridPage::setMarkedNames(const QStringList &names)
{
    for (auto it = m_buttons.constBegin(); it != m_buttons.constEnd(); ++it)
        it.value()->setSelected(names.contains(it.key()));
}

void ButtonGridPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_background)
        m_background->setGeometry(rect());
    updateButtonLayout();
}

void ButtonGridPage::follow(const KnobEditor *editor, const GestureSelection *selection)
{
    followSelectedGesture(this, editor, selection, [this](const QList<KnobAction> &held) {
        QStringList names;
        for (const KnobAction &a : held) {
            if (a.kind == KnobAction::Named)
                names << a.sourceName;
        }
        setMarkedNames(names);
    });
}
