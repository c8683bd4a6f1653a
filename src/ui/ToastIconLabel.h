#pragma once

#include <QLabel>

// The round success / failure badge of the toast.
class ToastIconLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToastIconLabel)

public:
    explicit ToastIconLabel(QWidget *parent = nullptr);

    bool success() const { return m_success; }
    void setSuccess(bool success);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_success = true;
};
