#pragma once

#include "protocol/packets.h"

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QVBoxLayout;

// Colours of the console's log lines.
namespace debuglog {
inline constexpr const char *kEcho = "#4ECDC4";
inline constexpr const char *kError = "#FF6B6B";
inline constexpr const char *kWritten = "#7CFC00";
inline constexpr const char *kWaiting = "#FFD166";
inline constexpr const char *kResponse = "#6BCB77";
inline constexpr const char *kLeaving = "#FFA500";
} // namespace debuglog

// The hidden debug console page: a hex line, a send and an exit button and a
// coloured log. It parses what is typed and hands the finished report on; it
// knows nothing of the device, the window reports back through the show*
// slots.
class DebugWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DebugWidget)

public:
    explicit DebugWidget(QWidget *parent = nullptr);

    // "[hh:mm:ss] message", coloured when a colour is given; the message is
    // shown as text, never interpreted as markup.
    void appendLog(const QString &message, const QString &color = QString());

    // For tests and the page shots.
    QLineEdit *inputLine() const { return m_input; }
    QPushButton *sendButton() const { return m_sendButton; }
    QPushButton *exitButton() const { return m_exitButton; }
    QTextEdit *logView() const { return m_logView; }

public Q_SLOTS:
    void onSendClicked();
    void onExitClicked();

    // What became of a send, in the order the window learns it.
    void showNotConnected();
    void showBusy();
    void showWriteResult(int result);
    void showWaitingForResponses();
    void showNoReadBackOverBluetooth();
    void showResponseReport(int number, const Packet &report);
    void showResponseSummary(int count);
    void showNoResponses();
    void showLinkLost();
    void showReadError(const QString &hidErrorText);

Q_SIGNALS:
    // A parsed report of exactly kReportSize bytes, report id first.
    void sendRequested(const Packet &packet);
    void exitDebugMode();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void updateScaledLayout();

    QVBoxLayout *m_layout = nullptr;
    QHBoxLayout *m_buttonRow = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_hint = nullptr;
    QLineEdit *m_input = nullptr;
    QPushButton *m_sendButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QLabel *m_logTitle = nullptr;
    QTextEdit *m_logView = nullptr;
};
