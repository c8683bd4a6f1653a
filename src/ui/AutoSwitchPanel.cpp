#include "ui/AutoSwitchPanel.h"

#include "device/ProfileSwitcher.h"
#include "focus/FocusWatcher.h"
#include "ui/UseProfileForChooser.h"
#include "ui/autostart.h"

#include <QCheckBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

AutoSwitchPanel *AutoSwitchPanel::open(QWidget *window, ProfileSwitcher *switcher, FocusWatcher *watcher)
{
    auto *panel = new AutoSwitchPanel(window, switcher, watcher);
    panel->fitToWindow();
    panel->show();
    panel->raise();
    panel->setFocus();
    return panel;
}

AutoSwitchPanel::AutoSwitchPanel(QWidget *window, ProfileSwitcher *switcher, FocusWatcher *watcher)
    : PanelOverlay(window, tr("Automatic switching"), 380), m_switcher(switcher), m_watcher(watcher)
{
    setObjectName(QStringLiteral("autoSwitchPanel"));
    m_toggle = new QCheckBox(tr("Switch profiles with the application in front"), panel());
    m_toggle->setObjectName(QStringLiteral("autoSwitchToggle"));
    m_state = new QLabel(panel());
    m_state->setObjectName(QStringLiteral("autoSwitchState"));
    m_state->setWordWrap(true);
    m_writes = new QLabel(panel());
    m_writes->setObjectName(QStringLiteral("autoSwitchWrites"));
    m_limit = new QSpinBox(panel());
    m_limit->setObjectName(QStringLiteral("dailyLimit"));
    m_limit->setRange(1, 10000);
    m_limit->setPrefix(tr("Daily limit "));
    m_limit->setStyleSheet(QStringLiteral("QSpinBox { color: #FFFFFF; background-color: #1F2122; "
                                          "border: 1px solid #424242; font-size: 12px; padding: 2px; }"));
    auto *writesRow = new QHBoxLayout();
    writesRow->addWidget(m_writes);
    writesRow->addStretch();
    writesRow->addWidget(m_limit);
    m_notice = new QLabel(panel());
    m_notice->setObjectName(QStringLiteral("autoSwitchNotice"));
    m_notice->setWordWrap(true);
    m_login = new QCheckBox(tr("Start at login"), panel());
    m_login->setObjectName(QStringLiteral("startAtLogin"));
    body()->addWidget(m_toggle);
    body()->addWidget(m_state);
    body()->addLayout(writesRow);
    body()->addWidget(m_notice);
    body()->addWidget(m_login);

    auto *buttons = new QHBoxLayout();
    auto *bind = new QPushButton(tr("Use this profile for…"), panel());
    bind->setObjectName(QStringLiteral("useProfileFor"));
    auto *done = new QPushButton(tr("Done"), panel());
    done->setDefault(true);
    buttons->addWidget(bind);
    buttons->addStretch();
    buttons->addWidget(done);
    body()->addLayout(buttons);
    styleRows();
    m_notice->setStyleSheet(
        QStringLiteral("QLabel { color: #F4C849; font-size: 12px; background: transparent; }"));

    connect(m_toggle, &QCheckBox::toggled, this, [this](bool on) {
        QString error;
        if (m_switcher && !m_switcher->setEnabled(on, &error))
            qWarning().noquote() << "自动切换设置无法保存:" << error;
        refresh();
    });
    connect(m_limit, &QSpinBox::editingFinished, this, [this] {
        QString error;
        if (m_switcher && m_limit->value() != m_switcher->rules().dailyLimit &&
            !m_switcher->setDailyLimit(m_limit->value(), &error))
            qWarning().noquote() << "自动切换设置无法保存:" << error;
    });
    connect(m_login, &QCheckBox::toggled, this, [this](bool on) {
        QString error;
        if (!Autostart::set(on, &error))
            qWarning().noquote() << "开机启动设置失败:" << error;
        refresh();
    });
    connect(bind, &QPushButton::clicked, this, [this] {
        if (m_switcher)
            UseProfileForChooser::open(parentWidget(), m_switcher, m_switcher->activeProfile());
        close();
    });
    connect(done, &QPushButton::clicked, this, &QWidget::close);
    if (m_switcher)
        connect(m_switcher, &ProfileSwitcher::stateChanged, this, &AutoSwitchPanel::refresh);
    if (m_watcher)
        connect(m_watcher, &FocusWatcher::stateChanged, this, &AutoSwitchPanel::refresh);
    refresh();
}

void AutoSwitchPanel::refresh()
{
    const FocusWatcher::State state = m_watcher ? m_watcher->state() : FocusWatcher::State::Unavailable;
    const QString backend = m_watcher ? m_watcher->backendName() : QString();
    const bool possible = m_switcher && state != FocusWatcher::State::Unavailable;
    {
        const QSignalBlocker blocker(m_toggle);
        m_toggle->setEnabled(possible);
        m_toggle->setChecked(possible && m_switcher->isEnabled());
    }
    if (state == FocusWatcher::State::Unavailable)
        m_state->setText(tr("Automatic switching is not available on this desktop: %1")
                             .arg(m_watcher ? m_watcher->reason() : QStringLiteral("no watcher")));
    else if (state == FocusWatcher::State::Starting)
        m_state->setText(tr("Asking the desktop (%1)…").arg(backend));
    else
        m_state->setText(tr("Watching the application in front through %1.").arg(backend));

    QString notice;
    if (m_switcher) {
        m_writes->setText(tr("%1 writes today").arg(m_switcher->writesToday()));
        if (!m_limit->hasFocus()) {
            const QSignalBlocker blocker(m_limit);
            m_limit->setValue(m_switcher->rules().dailyLimit);
        }
        if (m_switcher->isLimitReached())
            notice = tr("The knob took %1 writes today, the daily limit: switching is paused until tomorrow.")
                         .arg(m_switcher->rules().dailyLimit);
        else if (m_switcher->isHeld())
            notice = tr("Switching waits while the window holds unsaved edits.");
        else if (m_switcher->isPaused())
            notice = tr("Switching is paused.");
    }
    m_notice->setText(notice);
    m_notice->setVisible(possible && m_switcher->isEnabled() && !notice.isEmpty());
    {
        const QSignalBlocker blocker(m_login);
        m_login->setChecked(Autostart::isOn());
    }
    if (isVisible())
        fitToWindow();
}
