#include "ui/UseProfileForChooser.h"

#include "device/ProfileSwitcher.h"
#include "protocol/profilestore.h"

#include <QComboBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

UseProfileForChooser *UseProfileForChooser::open(QWidget *window, ProfileSwitcher *switcher,
                                                 const QString &profile)
{
    auto *chooser = new UseProfileForChooser(window, switcher, profile);
    chooser->fitToWindow();
    chooser->show();
    chooser->raise();
    chooser->setFocus();
    return chooser;
}

UseProfileForChooser::UseProfileForChooser(QWidget *window, ProfileSwitcher *switcher, const QString &profile)
    : PanelOverlay(window, tr("Use this profile for…"), 420), m_switcher(switcher)
{
    setObjectName(QStringLiteral("useProfileForChooser"));
    m_profile = new QComboBox(panel());
    m_profile->setObjectName(QStringLiteral("profileChoice"));
    for (const ProfileEntry &entry : ProfileStore().list()) {
        if (entry.readable)
            m_profile->addItem(entry.name);
    }
    const int at = m_profile->findText(profile, Qt::MatchFixedString);
    if (at >= 0)
        m_profile->setCurrentIndex(at);
    body()->addWidget(m_profile);
    body()->addWidget(new QLabel(tr("Recently in front"), panel()));
    m_apps = new QListWidget(panel());
    m_apps->setObjectName(QStringLiteral("recentApps"));
    m_apps->setMinimumHeight(150);
    body()->addWidget(m_apps);
    fillApps();

    auto *buttons = new QHBoxLayout();
    auto *asDefault = new QPushButton(tr("Default for others"), panel());
    asDefault->setObjectName(QStringLiteral("bindDefault"));
    auto *cancel = new QPushButton(tr("Cancel"), panel());
    auto *bind = new QPushButton(tr("Bind"), panel());
    bind->setObjectName(QStringLiteral("bindApp"));
    bind->setDefault(true);
    buttons->addWidget(asDefault);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(bind);
    body()->addLayout(buttons);
    styleRows();

    const auto update = [this, bind, asDefault] {
        const bool haveProfile = m_profile->count() > 0;
        bind->setEnabled(haveProfile && m_apps->currentItem() &&
                         !m_apps->currentItem()->data(Qt::UserRole).toString().isEmpty());
        asDefault->setEnabled(haveProfile);
    };
    connect(m_apps, &QListWidget::currentRowChanged, this, update);
    connect(m_apps, &QListWidget::itemDoubleClicked, this, [this] { bindChosen(false); });
    connect(bind, &QPushButton::clicked, this, [this] { bindChosen(false); });
    connect(asDefault, &QPushButton::clicked, this, [this] { bindChosen(true); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    update();
}

void UseProfileForChooser::fillApps()
{
    const QList<FocusedApp> apps = m_switcher ? m_switcher->recentApps() : QList<FocusedApp>();
    const SwitchRules rules = m_switcher ? m_switcher->rules() : SwitchRules();
    for (const FocusedApp &app : apps) {
        QString text = app.appId;
        if (!app.wmClass.isEmpty())
            text += QStringLiteral("   WM_CLASS %1").arg(app.wmClass);
        const QString bound = rules.bindings.value(app.appId);
        if (!bound.isEmpty())
            text += QStringLiteral("   → %1").arg(bound);
        auto *item = new QListWidgetItem(text, m_apps);
        item->setData(Qt::UserRole, app.appId);
        item->setToolTip(app.title);
    }
    if (apps.isEmpty()) {
        auto *item =
            new QListWidgetItem(tr("None yet: bring the application to the front, then come back."), m_apps);
        item->setFlags(Qt::NoItemFlags);
    } else {
        m_apps->setCurrentRow(0);
    }
    if (m_profile->count() == 0)
        m_profile->setPlaceholderText(tr("No profiles yet: save one first."));
}

void UseProfileForChooser::bindChosen(bool asDefault)
{
    if (!m_switcher || m_profile->currentText().isEmpty())
        return;
    const QString app = asDefault || !m_apps->currentItem()
                            ? QString()
                            : m_apps->currentItem()->data(Qt::UserRole).toString();
    if (!asDefault && app.isEmpty())
        return;
    QString error;
    if (!m_switcher->bind(app, m_profile->currentText(), &error))
        qWarning().noquote() << "自动切换规则无法保存:" << error;
    close();
}
