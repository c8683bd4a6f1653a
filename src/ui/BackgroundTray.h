#pragma once

#include <QObject>

class ProfileSwitcher;
class QMenu;
class QSystemTrayIcon;

// The program's place while its window is closed and switching goes on: a
// tray icon whose menu lists the profiles (a choice goes on the knob), pauses
// switching, opens the window and quits.
class BackgroundTray : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundTray)

public:
    explicit BackgroundTray(ProfileSwitcher *switcher, QObject *parent = nullptr);
    ~BackgroundTray() override;

    static bool isAvailable();
    void setVisible(bool visible);
    bool isVisible() const;
    // Built afresh each time it opens; public for the tests.
    QMenu *menu() const { return m_menu; }
    void rebuildMenu();
    void showMessage(const QString &title, const QString &text);

Q_SIGNALS:
    void openRequested();
    void panelRequested();
    void quitRequested();

private:
    ProfileSwitcher *m_switcher = nullptr;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_icon = nullptr;
};
