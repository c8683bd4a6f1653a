#include "ui/UnsavedEditsGuard.h"

#include "ui/ChoiceOverlay.h"
#include "ui/KnobEditor.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

UnsavedEditsGuard::UnsavedEditsGuard(QWidget *content, KnobEditor *editor, QPushButton *saveButton,
                                     std::function<void()> save)
    : QObject(content), m_content(content), m_editor(editor), m_saveButton(saveButton),
      m_save(std::move(save))
{
    if (m_saveButton)
        m_saveText = m_saveButton->text();
    content->installEventFilter(this);
    watchWindow();
    auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), content);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, [this] {
        if (m_content)
            m_content->window()->close();
    });
    connect(m_editor, &KnobEditor::unsavedEditsChanged, this, [this](bool unsaved) {
        showMarker();
        if (!unsaved && m_closeAfterSave) {
            m_closeAfterSave = false;
            m_closeConfirmed = true;
            QTimer::singleShot(0, this, [this] {
                if (m_content)
                    m_content->window()->close();
            });
        }
    });
}

QString UnsavedEditsGuard::marker()
{
    return QStringLiteral(" \u2022");
}

void UnsavedEditsGuard::watchWindow()
{
    QWidget *window = m_content ? m_content->window() : nullptr;
    if (window == m_window)
        return;
    if (m_window && m_window != m_content)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window && m_window != m_content)
        m_window->installEventFilter(this);
    showMarker();
}

void UnsavedEditsGuard::showMarker()
{
    const bool unsaved = m_editor->hasUnsavedEdits();
    if (m_saveButton)
        m_saveButton->setText(unsaved ? m_saveText + marker() : m_saveText);
    if (!m_window)
        return;
    QString title = m_window->windowTitle();
    if (title.endsWith(marker()))
        title.chop(marker().size());
    m_window->setWindowTitle(unsaved ? title + marker() : title);
}

bool UnsavedEditsGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_content && (event->type() == QEvent::ParentChange || event->type() == QEvent::Show))
        watchWindow();
    if (watched == m_window && event->type() == QEvent::Close) {
        if (m_closeConfirmed || !m_editor->hasUnsavedEdits())
            return false;
        event->ignore();
        askBeforeClose();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void UnsavedEditsGuard::askBeforeClose()
{
    if (m_asking || !m_content)
        return;
    m_asking = true;
    auto *overlay =
        new ChoiceOverlay(m_content, tr("Unsaved edits"),
                          tr("The knob does not have your latest edits. Save them before closing?"),
                          {tr("Cancel"), tr("Discard"), tr("Save")});
    connect(overlay, &QObject::destroyed, this, [this] { m_asking = false; });
    connect(overlay, &ChoiceOverlay::chosen, this, [this](int choice) {
        if (choice == 1) {
            m_closeConfirmed = true;
            QTimer::singleShot(0, this, [this] {
                if (m_content)
                    m_content->window()->close();
            });
        } else if (choice == 2) {
            m_closeAfterSave = true;
            m_save();
        }
    });
    overlay->show();
    overlay->raise();
}
