#include "ui/BackgroundTray.h"

#include "device/ProfileSwitcher.h"
#include "protocol/profilestore.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

BackgroundTray::BackgroundTray(ProfileSwitcher *switcher, QObject *parent)
    : QObject(parent), m_switcher(switcher), m_menu(new QMenu()), m_icon(new QSystemTrayIcon(this))
{
    m_icon->setIcon(QApplication::windowIcon());
    m_icon->setToolTip(QStringLiteral("VELTRANIX"));
    m_icon->setContextMenu(m_menu);
    connect(m_menu, &QMenu::aboutToShow, this, &BackgroundTray::rebuildMenu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit openRequested();
    });
    rebuildMenu();
}

BackgroundTray::~BackgroundTray()
{
    delete m_menu;
}

bool BackgroundTray::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void BackgroundTray::setVisible(bool visible)
{
    // Started in the background, the tray can come before the window's icon is set.
    if (visible && m_icon->icon().isNull())
        m_icon->setIcon(QApplication::windowIcon().isNull()
                            ? QIcon(QStringLiteral(":/asset/icon/VX_logo-32.png"))
                            : QApplication::windowIcon());
    m_icon->setVisible(visible);
}

bool BackgroundTray::isVisible() const
{
    return m_icon->isVisible();
}

void BackgroundTray::showMessage(const QString &title, const QString &text)
{
    if (m_icon->isVisible())
        m_icon->showMessage(title, text, QSystemTrayIcon::Information, 5000);
}

void BackgroundTray::rebuildMenu()
{
    m_menu->clear();
    m_menu->addSection(tr("Profiles"));
    const QString active = m_switcher->activeProfile();
    for (const ProfileEntry &entry : ProfileStore().list()) {
        if (!entry.readable)
            continue;
        QAction *action = m_menu->addAction(entry.name);
        action->setCheckable(true);
        action->setChecked(entry.name.compare(active, Qt::CaseInsensitive) == 0);
        const QString name = entry.name;
        connect(action, &QAction::triggered, this, [this, name] { m_switcher->applyProfile(name); });
    }
    m_menu->addSeparator();
    QAction *pause = m_menu->addAction(tr("Pause switching"));
    pause->setObjectName(QStringLiteral("pauseSwitching"));
    pause->setCheckable(true);
    pause->setChecked(m_switcher->isPaused());
    connect(pause, &QAction::toggled, m_switcher, &ProfileSwitcher::setPaused);
    connect(m_menu->addAction(tr("Automatic switching…")), &QAction::triggered, this,
            &BackgroundTray::panelRequested);
    connect(m_menu->addAction(tr("Open")), &QAction::triggered, this, &BackgroundTray::openRequested);
    connect(m_menu->addAction(tr("Quit")), &QAction::triggered, this, &BackgroundTray::quitRequested);
}
