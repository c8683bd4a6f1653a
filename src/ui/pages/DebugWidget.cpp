#include "ui/pages/DebugWidget.h"

#include "protocol/debughex.h"
#include "ui/pages/pagerules.h"

#include <QDebug>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The top of every page lies under the window's tab bar.
constexpr int kUnderTabBar = 84;

QFont monospaced(int pixelSize)
{
    QFont f;
    f.setFamilies({QStringLiteral("Consolas"), QStringLiteral("Courier New"), QStringLiteral("monospace")});
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixelSize);
    return f;
}

QFont proportional(int pixelSize, bool bold = false)
{
    QFont f;
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QString buttonStyle(const char *normal, const char *hover, const char *pressed, int radius, int padding)
{
    return QStringLiteral("QPushButton { background-color: %1; color: #FFFFFF; border: none; "
                          "border-radius: %4px; padding: 0px %5px; }"
                          "QPushButton:hover { background-color: %2; }"
                          "QPushButton:pressed { background-color: %3; }")
        .arg(QLatin1String(normal), QLatin1String(hover), QLatin1String(pressed))
        .arg(radius)
        .arg(padding);
}

} // namespace

DebugWidget::DebugWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
}

void DebugWidget::setupUI()
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(776, 248);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("DebugWidget { background-color: #1C1C1C; }"));

    m_title = new QLabel(tr("Debug Tool - HID Data Sender"), this);
    m_title->setStyleSheet(QStringLiteral("QLabel { color: #FFFFFF; background: transparent; }"));

    m_hint = new QLabel(
        tr("Hexadecimal data (space-separated or continuous, e.g. 03 FA 19 00 01 / 03FA190001):"), this);
    m_hint->setStyleSheet(QStringLiteral("QLabel { color: #CCCCCC; background: transparent; }"));
    m_hint->setWordWrap(true);

    m_input = new QLineEdit(this);
    m_input->setObjectName(QStringLiteral("debugInput"));
    m_input->setPlaceholderText(tr("Enter hexadecimal data, with or without spaces..."));
    m_input->setStyleSheet(QStringLiteral("QLineEdit { background-color: #0C0C0C; color: #FFFFFF; "
                                          "border: 1px solid #363636; border-radius: 4px; padding: 0px 6px; }"
                                          "QLineEdit:focus { border: 1px solid #0078D4; }"));

    m_sendButton = new QPushButton(tr("Send Data"), this);
    m_sendButton->setObjectName(QStringLiteral("debugSendButton"));
    m_sendButton->setCursor(Qt::PointingHandCursor);
    m_exitButton = new QPushButton(tr("Exit Debug Mode"), this);
    m_exitButton->setObjectName(QStringLiteral("debugExitButton"));
    m_exitButton->setCursor(Qt::PointingHandCursor);

    m_logTitle = new QLabel(tr("Send Log:"), this);
    m_logTitle->setStyleSheet(QStringLiteral("QLabel { color: #FFFFFF; background: transparent; }"));

    m_logView = new QTextEdit(this);
    m_logView->setReadOnly(true);
    m_logView->setStyleSheet(QStringLiteral(
        "QTextEdit { background-color: #0C0C0C; color: #00FF00; border: 1px solid #363636; border-radius: "
        "4px; }"
        "QScrollBar:vertical { background: #0C0C0C; width: 10px; margin: 0px; }"
        "QScrollBar::handle:vertical { background: #363636; border-radius: 4px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));

    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_title);
    m_layout->addWidget(m_hint);
    m_layout->addWidget(m_input);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addWidget(m_sendButton);
    m_buttonRow->addWidget(m_exitButton);
    m_buttonRow->addStretch(1);
    m_layout->addLayout(m_buttonRow);
    m_layout->addWidget(m_logTitle);
    m_layout->addWidget(m_logView, 1);

    connect(m_sendButton, &QPushButton::clicked, this, &DebugWidget::onSendClicked);
    connect(m_input, &QLineEdit::returnPressed, this, &DebugWidget::onSendClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &DebugWidget::onExitClicked);

    resize(kPageDesignWidth, kPageDesignHeight);
    updateScaledLayout();
}

void DebugWidget::updateScaledLayout()
{
    const PageScale s(size());
    m_layout->setContentsMargins(s.x(20), s.y(kUnderTabBar), s.x(20), s.y(20));
    m_layout->setSpacing(s.y(15));
    m_buttonRow->setSpacing(s.x(10));

    m_title->setFont(proportional(std::max(10, s.m(18)), true));
    m_hint->setFont(proportional(std::max(9, s.m(14))));
    m_logTitle->setFont(proportional(std::max(9, s.m(14))));
    m_input->setFont(monospaced(std::max(9, s.m(14))));
    m_logView->setFont(monospaced(std::max(9, s.m(12))));

    const int controlHeight = std::max(22, s.y(40));
    m_input->setFixedHeight(controlHeight);
    const int radius = std::max(3, s.m(6));
    const int padding = std::max(8, s.x(20));
    m_sendButton->setStyleSheet(buttonStyle("#0078D4", "#1A86D9", "#005A9E", radius, padding));
    m_exitButton->setStyleSheet(buttonStyle("#D13438", "#DC5155", "#A4262C", radius, padding));
    for (QPushButton *b : {m_sendButton, m_exitButton}) {
        b->setFont(proportional(std::max(9, s.m(14))));
        b->setFixedHeight(controlHeight);
        b->setMinimumWidth(std::max(90, s.x(160)));
    }
}

void DebugWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateScaledLayout();
}

void DebugWidget::appendLog(const QString &message, const QString &color)
{
    QString line = QStringLiteral("[%1] ").arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))) +
                   message.toHtmlEscaped();
    if (!color.isEmpty())
        line = QStringLiteral("<span style='color: %1;'>%2</span>").arg(color, line);

    // Inserted as markup on a fresh block with a plain format, so neither an
    // earlier line's colour nor a message that looks like markup leaks in.
    QTextCursor cursor(m_logView->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_logView->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.setCharFormat(QTextCharFormat());
    cursor.insertHtml(line);
    m_logView->setTextCursor(cursor);
    m_logView->ensureCursorVisible();
}

void DebugWidget::onSendClicked()
{
    const QString text = m_input->text().trimmed();
    if (text.isEmpty()) {
        appendLog(tr("Error: input is empty"), QLatin1String(debuglog::kError));
        return;
    }
    appendLog(tr("Sending: %1").arg(text), QLatin1String(debuglog::kEcho));
    qDebug().noquote() << "调试发送十六进制数据:" << text;

    const DebugHexPacket parsed = parseDebugHex(text);
    if (!parsed.ok) {
        if (!parsed.badPair.isEmpty())
            qDebug().noquote() << "解析失败:" << parsed.badPair;
        qDebug().noquote() << "十六进制数据格式错误";
        appendLog(tr("Send failed: invalid hexadecimal format"), QLatin1String(debuglog::kError));
        return;
    }
    if (parsed.typedBytes > kReportSize)
        qDebug().noquote() << "数据包过大，截断到" << kReportSize << "字节";
    else if (parsed.typedBytes < kReportSize)
        qDebug().noquote() << "数据包不足" << kReportSize << "字节，填充0";
    Q_EMIT sendRequested(parsed.packet);
}

void DebugWidget::onExitClicked()
{
    appendLog(tr("Exit Debug Mode"), QLatin1String(debuglog::kLeaving));
    Q_EMIT exitDebugMode();
}

void DebugWidget::showNotConnected()
{
    appendLog(tr("Send failed: device not connected"), QLatin1String(debuglog::kError));
}

void DebugWidget::showBusy()
{
    appendLog(tr("Send failed: the device configuration is being read or saved, please try again later"),
              QLatin1String(debuglog::kError));
}

void DebugWidget::showWriteResult(int result)
{
    if (result > 0)
        appendLog(tr("Sent successfully, %1 bytes written").arg(result), QLatin1String(debuglog::kWritten));
    else if (result < 0)
        appendLog(tr("Send failed: error code %1").arg(result), QLatin1String(debuglog::kError));
    else
        appendLog(tr("Send failed: 0 bytes written"), QLatin1String(debuglog::kError));
}

void DebugWidget::showWaitingForResponses()
{
    appendLog(tr("Sent, waiting for the device's response reports..."), QLatin1String(debuglog::kWaiting));
}

void DebugWidget::showNoReadBackOverBluetooth()
{
    appendLog(tr("Response reports cannot be read over Bluetooth"), QLatin1String(debuglog::kWaiting));
}

void DebugWidget::showResponseReport(int number, const Packet &report)
{
    appendLog(
        tr("Response #%1 (%2 bytes): %3").arg(number).arg(int(report.size())).arg(packetToHexLine(report)),
        QLatin1String(debuglog::kResponse));
}

void DebugWidget::showResponseSummary(int count)
{
    appendLog(tr("Response reports received: %1").arg(count), QLatin1String(debuglog::kResponse));
}

void DebugWidget::showNoResponses()
{
    appendLog(tr("No response reports received"), QLatin1String(debuglog::kWaiting));
}

void DebugWidget::showLinkLost()
{
    appendLog(tr("Reading responses stopped: device disconnected"), QLatin1String(debuglog::kError));
}

void DebugWidget::showReadError(const QString &hidErrorText)
{
    if (hidErrorText.isEmpty())
        appendLog(tr("Unknown error while reading response reports"), QLatin1String(debuglog::kError));
    else
        appendLog(tr("Failed to read response report: %1").arg(hidErrorText),
                  QLatin1String(debuglog::kError));
}
