#pragma once

#include <QWidget>

// The whole visible interface and the owner of all device state.
class MainLayoutWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainLayoutWidget)

public:
    explicit MainLayoutWidget(QWidget *parent = nullptr);
    ~MainLayoutWidget() override;
};
