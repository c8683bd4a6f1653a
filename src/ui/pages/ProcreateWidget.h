#pragma once

#include "ui/pages/ButtonGridPage.h"

// The Procreate page: 30 drawing-app shortcuts in a seven-column grid.
class ProcreateWidget : public ButtonGridPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProcreateWidget)

public:
    explicit ProcreateWidget(QWidget *parent = nullptr);

    void updateButtonLayout() override;
    const QList<PaintedButton *> &buttons() const { return m_buttons; }

Q_SIGNALS:
    void procreateKeyClicked(const QString &keyName);

protected:
    void emitClicked(const QString &name) override { Q_EMIT procreateKeyClicked(name); }
    void showEvent(QShowEvent *event) override;

private:
    void setupUI();

    QList<PaintedButton *> m_buttons;
};
