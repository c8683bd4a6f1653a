#include "ui/MainLayoutWidget.h"

MainLayoutWidget::MainLayoutWidget(QWidget *parent)
    : QWidget(parent)
{
}

MainLayoutWidget::~MainLayoutWidget() = default;
