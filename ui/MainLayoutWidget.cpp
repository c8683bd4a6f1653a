#include "ui/MainLayoutWidget.h"

MainLayoutWidget::MainLayoutWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
    // The device link starts last: its first results may already touch the interface.
    initDeviceLink();
}

MainLayoutWidget::~MainLayoutWidget()
{
    shutdownDeviceLink();
}
