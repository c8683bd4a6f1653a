#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class SimKeyButton;

// The Procreate page: 30 drawing-app shortcuts in a seven-column grid.
class ProcreateWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProcreateWidget)

public:
    explicit ProcreateWidget(QWidget *parent = nullptr);

    void clearSelection();
    void updateButtonLayout();
    const QList<SimKeyButton *> &buttons() const { return m_buttons; }
    SimKeyButton *selectedButton() const { return m_selectedButton; }

Q_SIGNALS:
    void procreateKeyClicked(const QString &keyName);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupUI();

    QLabel *m_background = nullptr;
    QList<SimKeyButton *> m_buttons;
    SimKeyButton *m_selectedButton = nullptr;
};
