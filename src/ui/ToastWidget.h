#pragma once

#include <QLabel>
#include <QPointer>

class QPropertyAnimation;
class QTimer;
class ToastIconLabel;

// The short message that slides in at the top of the window and hides itself
// after two seconds: a badge, a title and one line of text.
class ToastWidget : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToastWidget)

public:
    // `window` is the widget the toast slides over; it becomes the parent.
    explicit ToastWidget(QWidget *window);

    // An empty title or text falls back to the save result's wording.
    void showMessage(bool success, const QString &title, const QString &text);
    // Sizes, fonts and the resting place for the window's current size.
    void relayout();

    QString title() const;
    QString text() const;
    bool isSliding() const { return !m_animation.isNull(); }

private:
    // The texts elided to the labels' widths, in full in their tooltips.
    void showTexts();

    QString m_fullTitle;
    QString m_fullText;
    ToastIconLabel *m_icon = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_text = nullptr;
    QTimer *m_hideTimer = nullptr;
    QPointer<QPropertyAnimation> m_animation;
};
