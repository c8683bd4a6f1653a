#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class KnobEditor;
class QByteArray;
class QWidget;

// Export and import of the window's configuration in the command-line tool's
// file format, with the tool's reader, writer and error sentences. An import
// becomes one undoable edit the knob does not have yet; a file that does not
// pass changes nothing.
class ConfigFileTransfer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigFileTransfer)

public:
    ConfigFileTransfer(QWidget *window, KnobEditor *editor);

    // With a file dialog; the outcome is shown in the window.
    void exportWithDialog();
    void importWithDialog();

    // Empty on success, else the sentence that is shown.
    QString exportTo(const QString &path) const;
    QString importFrom(const QString &path);
    QString importBytes(const QByteArray &bytes, const QString &label);

Q_SIGNALS:
    void notice(bool success, const QString &title, const QString &text);

private:
    void showError(const QString &title, const QString &sentence);

    QPointer<QWidget> m_window;
    KnobEditor *m_editor;
};
