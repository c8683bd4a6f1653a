#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class KnobEditor;
class QPushButton;
class QWidget;

// Keeps unsaved edits from going unnoticed: a marker on the Save button and
// in the window title while the document holds edits the knob does not have,
// and a Save / Discard / Cancel question when the window is closed (close
// button or Ctrl+Q) with such edits. Without them the window closes at once.
class UnsavedEditsGuard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UnsavedEditsGuard)

public:
    // `content` is the window's content widget; `save` starts a save.
    UnsavedEditsGuard(QWidget *content, KnobEditor *editor, QPushButton *saveButton,
                      std::function<void()> save);

    static QString marker();
    // A save that was asked for by the close question did not end confirmed.
    void saveNotConfirmed() { m_closeAfterSave = false; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchWindow();
    void showMarker();
    void askBeforeClose();

    QPointer<QWidget> m_content;
    QPointer<QWidget> m_window;
    KnobEditor *m_editor;
    QPointer<QPushButton> m_saveButton;
    QString m_saveText;
    std::function<void()> m_save;
    bool m_closeConfirmed = false;
    bool m_closeAfterSave = false;
    bool m_asking = false;
};
