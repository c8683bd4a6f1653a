#pragma once

#include "ui/PanelOverlay.h"

#include <QPointer>

class FocusWatcher;
class ProfileSwitcher;
class QCheckBox;
class QLabel;
class QSpinBox;

// "Automatic switching": on or off, what the desktop tells (or why it
// cannot), the knob's writes today, and start at login. The switch cannot be
// turned on where the desktop does not say which application is in front.
class AutoSwitchPanel : public PanelOverlay
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoSwitchPanel)

public:
    // The one way in: the panel over the window, shown.
    static AutoSwitchPanel *open(QWidget *window, ProfileSwitcher *switcher, FocusWatcher *watcher);

    void refresh();

private:
    AutoSwitchPanel(QWidget *window, ProfileSwitcher *switcher, FocusWatcher *watcher);

    QPointer<ProfileSwitcher> m_switcher;
    QPointer<FocusWatcher> m_watcher;
    QCheckBox *m_toggle = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_writes = nullptr;
    QSpinBox *m_limit = nullptr;
    QLabel *m_notice = nullptr;
    QCheckBox *m_login = nullptr;
};
