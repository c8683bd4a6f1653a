#pragma once

#include <QPushButton>

// The header's profile control: a key cap like Import and Export with a small
// caption, the profile the window's content came from, and an arrow that
// says it opens a list. The text is the name; the caption is painted.
class ProfileButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProfileButton)

public:
    explicit ProfileButton(QWidget *parent = nullptr);

    void setProfileName(const QString &name);
    void setStyleMetrics(int radius, int border, int fontPx);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_radius = 8;
    int m_border = 1;
    int m_fontPx = 14;
    bool m_hovered = false;
};
