#include "ui/ChoiceOverlay.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kPanelWidth = 330;
constexpr int kMargin = 20;
constexpr int kButtonHeight = 43;

} // namespace

ChoiceOverlay::ChoiceOverlay(QWidget *window, const QString &title, const QString &text,
                             const QStringList &buttons)
    : QWidget(window)
{
    setObjectName(QStringLiteral("choiceOverlay"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("QWidget#choiceOverlay { background-color: rgba(1, 1, 1, 204); }"));

    // Wide enough that no answer is cut: a longer one widens the panel.
    QFont buttonFont = font();
    buttonFont.setPixelSize(14);
    buttonFont.setWeight(QFont::Medium);
    int widest = 0;
    for (const QString &b : buttons)
        widest = std::max(widest, QFontMetrics(buttonFont).horizontalAdvance(b));
    const int panelWidth = std::max(kPanelWidth, int(buttons.size()) * (widest + 12));

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("choicePanel"));
    m_panel->setAttribute(Qt::WA_StyledBackground);
    m_panel->setStyleSheet(QStringLiteral("QWidget#choicePanel { background-color: #272A2B; border: "
                                          "1px solid #424242; border-radius: 8px; }"));

    auto *titleLabel = new QLabel(title, m_panel);
    titleLabel->setObjectName(QStringLiteral("choiceTitle"));
    titleLabel->setStyleSheet(QStringLiteral(
        "QLabel { color: #FFFFFF; font-size: 15px; font-weight: 500; background: transparent; }"));
    titleLabel->setGeometry(kMargin, kMargin, panelWidth - 2 * kMargin, 24);

    auto *textLabel = new QLabel(text, m_panel);
    textLabel->setObjectName(QStringLiteral("choiceText"));
    textLabel->setWordWrap(true);
    textLabel->setStyleSheet(
        QStringLiteral("QLabel { color: #D4D4D5; font-size: 12px; background: transparent; }"));
    QFont font = textLabel->font();
    font.setPixelSize(12);
    const int textWidth = panelWidth - 2 * kMargin;
    const int textHeight =
        QFontMetrics(font).boundingRect(QRect(0, 0, textWidth, 1000), Qt::TextWordWrap, text).height() + 4;
    textLabel->setGeometry(kMargin, kMargin + 34, textWidth, textHeight);

    const int dividerY = kMargin + 34 + textHeight + 18;
    m_panel->resize(panelWidth, dividerY + 1 + kButtonHeight);
    auto *divider = new QLabel(m_panel);
    divider->setStyleSheet(QStringLiteral("QLabel { background-color: #424242; }"));
    divider->setGeometry(0, dividerY, panelWidth, 1);
    divider->setAttribute(Qt::WA_TransparentForMouseEvents);

    const int n = int(buttons.size());
    for (int i = 0; i < n; ++i) {
        const int x = panelWidth * i / n;
        const int w = panelWidth * (i + 1) / n - x;
        const bool accent = i == n - 1;
        auto *button = new QPushButton(buttons[i], m_panel);
        button->setObjectName(QStringLiteral("choiceButton%1").arg(i));
        button->setGeometry(x, dividerY + 1, w, kButtonHeight);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::TabFocus);
        button->setStyleSheet(
            accent ? QStringLiteral("QPushButton { color: #BEF449; font-size: 14px; font-weight: 500; "
                                    "background: transparent; border: none; }"
                                    "QPushButton:hover { background-color: rgba(190, 244, 73, 18); }"
                                    "QPushButton:pressed { background-color: rgba(190, 244, 73, 28); }")
                   : QStringLiteral("QPushButton { color: #FFFFFF; font-size: 14px; background: transparent; "
                                    "border: none; }"
                                    "QPushButton:hover { background-color: rgba(255, 255, 255, 10); }"
                                    "QPushButton:pressed { background-color: rgba(255, 255, 255, 20); }"));
        if (i > 0) {
            auto *separator = new QLabel(m_panel);
            separator->setStyleSheet(QStringLiteral("QLabel { background-color: #424242; }"));
            separator->setGeometry(x, dividerY + 1, 1, kButtonHeight);
            separator->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        connect(button, &QPushButton::clicked, this, [this, i] {
            // A receiver may close the overlay itself.
            const QPointer<ChoiceOverlay> guard(this);
            emit chosen(i);
            if (guard)
                close();
        });
    }
    window->installEventFilter(this);
    fitToWindow();
}

void ChoiceOverlay::fitToWindow()
{
    if (!parentWidget())
        return;
    setGeometry(parentWidget()->rect());
    m_panel->move((width() - m_panel->width()) / 2, (height() - m_panel->height()) / 2);
}

bool ChoiceOverlay::eventFilter(QObject *watched, QEvent *event)
{
    // Keeps covering the window when it changes size.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fitToWindow();
    return QWidget::eventFilter(watched, event);
}
