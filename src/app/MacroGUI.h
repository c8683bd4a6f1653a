#pragma once

#include <QMainWindow>
#include <QMargins>

class KnobSession;
class MainLayoutWidget;
class QScreen;
class QVBoxLayout;

// The top-level window: fixed 16:9 size fitted, frame included, to its
// screen, hosting the main content widget.
class MacroGUI : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MacroGUI)

public:
    explicit MacroGUI(KnobSession *session, QWidget *parent = nullptr);
    ~MacroGUI() override;

    void setupScreenAdaptiveResize();
    void resizeForScreen(QScreen *screen, bool center);

    MainLayoutWidget *mainLayoutWidget() const { return m_mainLayoutWidget; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QMargins windowFrameMargins() const;
    // Fits again when the window system reports a frame other than the one
    // the size was fitted for.
    void fitToFrame();

    KnobSession *m_session = nullptr;
    MainLayoutWidget *m_mainLayoutWidget = nullptr;
    bool m_closeAfterSave = false;
    QMargins m_fittedFrame;
    bool m_framedOnce = false;
};
