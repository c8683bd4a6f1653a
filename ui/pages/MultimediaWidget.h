#pragma once

#include <QHash>
#include <QWidget>

class QLabel;
class SimKeyButton;

// The media page: 21 consumer-control and launch actions in a 3 x 7 grid.
class MultimediaWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultimediaWidget)

public:
    explicit MultimediaWidget(QWidget *parent = nullptr);

    void clearSelection();
    SimKeyButton *button(const QString &name) const { return m_buttons.value(name); }
    SimKeyButton *selectedButton() const { return m_selectedButton; }

Q_SIGNALS:
    void multimediaClicked(const QString &mediaKey);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void setupButtons();
    void addMultimediaButton(int x, int y, int w, int h, const QString &name);
    void updateButtonLayout();

    QLabel *m_background = nullptr;
    SimKeyButton *m_selectedButton = nullptr;
    QHash<QString, SimKeyButton *> m_buttons;
};
