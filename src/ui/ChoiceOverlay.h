#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

// A dimmed cover with a titled panel, a few lines of text and a row of
// buttons, drawn like the reset confirmation. It deletes itself when closed;
// chosen(index) comes before the close. The last button is the accented one.
class ChoiceOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChoiceOverlay)

public:
    ChoiceOverlay(QWidget *window, const QString &title, const QString &text, const QStringList &buttons);

    void fitToWindow();

Q_SIGNALS:
    void chosen(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_panel = nullptr;
};
