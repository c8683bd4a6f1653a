#pragma once

#include <QStackedWidget>

// The page stack, with its corners clipped to a radius.
class PageStack : public QStackedWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageStack)

public:
    explicit PageStack(QWidget *parent = nullptr);

    int cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(int radius);
    void updateMask();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_cornerRadius = 0;
};
