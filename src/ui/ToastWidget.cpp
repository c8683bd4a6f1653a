#include "ui/ToastWidget.h"

#include "ui/RoundedFill.h"
#include "ui/ToastIconLabel.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/textcolour.h"
#include "ui/textfit.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPropertyAnimation>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kToastVisibleMs = 2000;
constexpr int kToastSlideMs = 240;

QFont toastFont(int pixelSize)
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

ToastWidget::ToastWidget(QWidget *window) : QLabel(window)
{
    setObjectName(QStringLiteral("toastContainer"));
    RoundedFill::of(this)->set(QColor(0x2E, 0x2E, 0x2E), 8);
    resize(343, 64);

    m_icon = new ToastIconLabel(this);
    m_icon->setObjectName(QStringLiteral("toastIcon"));
    m_icon->setAttribute(Qt::WA_TranslucentBackground);
    m_icon->setAutoFillBackground(false);
    m_icon->setGeometry(16, 16, 32, 32);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("toastTitle"));
    m_title->setGeometry(64, 12, 260, 22);
    setTextColour(m_title, Qt::white);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("toastText"));
    m_text->setGeometry(64, 36, 260, 18);
    setTextColour(m_text, QColor(0xC8, 0xC5, 0xC5));

    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

QString ToastWidget::title() const
{
    return m_fullTitle;
}

QString ToastWidget::text() const
{
    return m_fullText;
}

void ToastWidget::relayout()
{
    if (!parentWidget())
        return;
    const layout::MainGeometry g = layout::mainGeometry(parentWidget()->size());
    resize(g.toastSize);
    const int margin = int(16 * g.sx);
    m_icon->setGeometry(margin, (g.toastSize.height() - g.toastIconSide) / 2, g.toastIconSide,
                        g.toastIconSide);
    m_title->setGeometry(g.toastTitle);
    m_text->setGeometry(g.toastText);
    m_title->setFont(toastFont(g.toastTitleFontPx));
    m_text->setFont(toastFont(g.toastTextFontPx));
    showTexts();
    if (isVisible() && !m_animation)
        move((parentWidget()->width() - width()) / 2, g.toastShownPos.y());
}

void ToastWidget::showTexts()
{
    // The toast widens for a long message, up to most of the window; only
    // beyond that is a line elided.
    const QFontMetrics titleMetrics(m_title->font());
    const QFontMetrics textMetrics(m_text->font());
    const layout::MainGeometry g = layout::mainGeometry(parentWidget()->size());
    const int margin = g.toastSize.width() - g.toastTitle.x() - g.toastTitle.width();
    const int needed =
        g.toastTitle.x() + margin +
        std::max(titleMetrics.horizontalAdvance(m_fullTitle), textMetrics.horizontalAdvance(m_fullText));
    const int widest = std::max(g.toastSize.width(), parentWidget()->width() * 6 / 10);
    resize(std::clamp(needed, g.toastSize.width(), widest), g.toastSize.height());
    const int lineWidth = width() - g.toastTitle.x() - margin;
    m_title->setGeometry(g.toastTitle.x(), g.toastTitle.y(), lineWidth, g.toastTitle.height());
    m_text->setGeometry(g.toastText.x(), g.toastText.y(), lineWidth, g.toastText.height());
    textfit::setElidedText(m_title, m_fullTitle, titleMetrics, lineWidth);
    textfit::setElidedText(m_text, m_fullText, textMetrics, lineWidth);
}

void ToastWidget::showMessage(bool success, const QString &title, const QString &text)
{
    if (!parentWidget())
        return;
    if (m_icon->success() != success)
        m_icon->setSuccess(success);
    const QString shownTitle = !title.isEmpty() ? title : success ? tr("Settings saved") : tr("Save failed");
    const QString shownText = !text.isEmpty() ? text
                              : success       ? tr("All settings have been saved")
                                              : tr("Please check your settings and save again");
    m_fullTitle = shownTitle;
    m_fullText = shownText;
    showTexts();
    qDebug().noquote() << "提示:" << shownTitle << shownText;

    if (m_animation)
        m_animation->stop();
    const QSize window = parentWidget()->size();
    const int x = (window.width() - width()) / 2;
    auto *slide = new QPropertyAnimation(this, "pos", this);
    slide->setDuration(kToastSlideMs);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setStartValue(QPoint(x, -height()));
    slide->setEndValue(QPoint(x, window.height() / 27));
    move(x, -height());
    raise();
    show();
    m_animation = slide;
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    m_hideTimer->start(kToastVisibleMs);
}
