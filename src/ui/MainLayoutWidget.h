#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

class ConfigFileTransfer;
class GestureSelection;
class HeaderBar;
class KnobArea;
class KnobEditor;
class KnobSession;
class KnobSync;
class PageStack;
class PaintedButton;
class ProfileButton;
class ProfileChoice;
class ProfileOverlay;
class QPushButton;
class StatusArea;
class SystemSwitch;
class TabBar;
class TabPages;
class ToastWidget;
class WindowBackground;

// The main window's content. It builds the pieces (StatusArea, KnobArea,
// the tabs and their pages, ToastWidget), wires them to the editor that owns
// the knob model and to the session's reports (KnobSync), and scales them.
// The device belongs to the session it is given.
class MainLayoutWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainLayoutWidget)

public:
    explicit MainLayoutWidget(KnobSession *session, QWidget *parent = nullptr);
    ~MainLayoutWidget() override;

    KnobEditor *editor() const { return m_editor; }

Q_SIGNALS:
    // The profile list was opened; what builds on profiles adds its footers here.
    void profileListOpened(ProfileOverlay *overlay);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void updateStatusIcon(bool connected);
    void applyConnectionVisualState(bool connected);
    void showToast(bool success, const QString &title, const QString &text);

    void setupUI();
    void setupButtons();
    // Places and re-renders every piece for the current size.
    void relayout();

    void handleLogoPress();
    void openProfiles();
    void setupShortcuts();
    // What Tab walks: the header's buttons, the knob, the tabs and the open page.
    QList<QWidget *> focusOrder() const;

    KnobSession *m_session = nullptr;
    KnobEditor *m_editor = nullptr;
    GestureSelection *m_selection = nullptr;
    int m_logoClickCount = 0;
    QSize m_designSize{1920, 1080};
    // What relayout() last fitted the pieces to.
    QSize m_laidOutSize;
    qreal m_laidOutRatio = 0;

    WindowBackground *m_background = nullptr;
    HeaderBar *m_header = nullptr;
    StatusArea *m_statusArea = nullptr;
    KnobArea *m_knobArea = nullptr;
    TabPages *m_pages = nullptr;
    KnobSync *m_sync = nullptr;
    TabBar *m_tabBar = nullptr;
    SystemSwitch *m_systemSwitch = nullptr;
    PageStack *m_contentStack = nullptr;
    ToastWidget *m_toast = nullptr;
    PaintedButton *m_resetButton = nullptr;
    PaintedButton *m_importButton = nullptr;
    PaintedButton *m_exportButton = nullptr;
    ConfigFileTransfer *m_fileTransfer = nullptr;
    QPushButton *m_saveButton = nullptr;
    ProfileChoice *m_profiles = nullptr;
    ProfileButton *m_profileButton = nullptr;
};
