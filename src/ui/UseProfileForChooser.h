#pragma once

#include "ui/PanelOverlay.h"

#include <QPointer>

class ProfileSwitcher;
class QComboBox;
class QListWidget;

// "Use this profile for…": binds a profile to one of the applications
// recently in front (each shown with its app id and WM_CLASS), or makes it
// the default for every other application. Nobody types an id.
class UseProfileForChooser : public PanelOverlay
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UseProfileForChooser)

public:
    // The one way in: the chooser over the window with profile preselected.
    static UseProfileForChooser *open(QWidget *window, ProfileSwitcher *switcher, const QString &profile);

private:
    UseProfileForChooser(QWidget *window, ProfileSwitcher *switcher, const QString &profile);
    void fillApps();
    void bindChosen(bool asDefault);

    QPointer<ProfileSwitcher> m_switcher;
    QComboBox *m_profile = nullptr;
    QListWidget *m_apps = nullptr;
};
