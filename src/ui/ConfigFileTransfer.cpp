#include "ui/ConfigFileTransfer.h"

#include "protocol/actionnames.h"
#include "protocol/configjson.h"
#include "protocol/knobdocument.h"
#include "ui/ChoiceOverlay.h"
#include "ui/KnobEditor.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString fileFilter()
{
    return ConfigFileTransfer::tr("Knob configuration (*.json);;All files (*)");
}

} // namespace

ConfigFileTransfer::ConfigFileTransfer(QWidget *window, KnobEditor *editor)
    : QObject(window), m_window(window), m_editor(editor)
{}

QString ConfigFileTransfer::exportTo(const QString &path) const
{
    const QByteArray json = configDocumentToJson(m_editor->document());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return QString();
}

QString ConfigFileTransfer::importBytes(const QByteArray &bytes, const QString &label)
{
    const ConfigJsonParse parsed = configDocumentFromJson(bytes);
    if (!parsed.ok)
        return QStringLiteral("%1: %2").arg(label, parsed.error);
    // The light is not part of it: lighting goes to the knob as it is set,
    // and an import only changes what Save writes.
    m_editor->replaceDocument(QStringLiteral("import"), parsed.document);
    return QString();
}

QString ConfigFileTransfer::importFrom(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return importBytes(file.readAll(), path);
}

void ConfigFileTransfer::exportWithDialog()
{
    const QString path = QFileDialog::getSaveFileName(m_window, tr("Export configuration"),
                                                      QStringLiteral("knob.json"), fileFilter());
    if (path.isEmpty())
        return;
    const QString error = exportTo(path);
    if (!error.isEmpty())
        showError(tr("Export failed"), error);
    else
        emit notice(true, tr("Exported"), QFileInfo(path).fileName());
}

void ConfigFileTransfer::importWithDialog()
{
    const QString path =
        QFileDialog::getOpenFileName(m_window, tr("Import configuration"), QString(), fileFilter());
    if (path.isEmpty())
        return;
    const QString error = importFrom(path);
    if (!error.isEmpty())
        showError(tr("Import failed"), error);
    else
        emit notice(true, tr("Imported"), tr("Save writes it to the knob"));
}

void ConfigFileTransfer::showError(const QString &title, const QString &sentence)
{
    if (!m_window)
        return;
    auto *overlay = new ChoiceOverlay(m_window, title, sentence, {QStringLiteral("OK")});
    overlay->show();
    overlay->raise();
}
