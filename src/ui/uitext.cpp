#include "ui/uitext.h"

#include "protocol/actionfilenames.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <iterator>

namespace {

struct Reported
{
    const char16_t *reported;
    const char *source;
};

// The session and the helper speak the log's language; the window shows them
// in its own.
const Reported kReported[] = {
    {u"未收到设备配置", QT_TRANSLATE_NOOP("Reported", "No configuration received from device")},
    {u"未找到蓝牙连接程序", QT_TRANSLATE_NOOP("Reported", "Bluetooth connection program not found")},
    {u"No permission to open the knob: install the udev rules (70-veltranix.rules), then replug it",
     QT_TRANSLATE_NOOP(
         "Reported",
         "No permission to open the knob: install the udev rules (70-veltranix.rules), then replug it")},
};

const char *const kInUse = QT_TRANSLATE_NOOP("Reported", "In use by %1");
const char *const kAnotherProgram = QT_TRANSLATE_NOOP("Reported", "another program");

const char *const kGestures[] = {
    QT_TRANSLATE_NOOP("Gesture", "turn left"),
    QT_TRANSLATE_NOOP("Gesture", "turn right"),
    QT_TRANSLATE_NOOP("Gesture", "press and turn left"),
    QT_TRANSLATE_NOOP("Gesture", "press and turn right"),
    QT_TRANSLATE_NOOP("Gesture", "press"),
};

} // namespace

QString reportedText(const QString &reported)
{
    for (const Reported &r : kReported) {
        if (reported == QString::fromUtf16(r.reported))
            return QCoreApplication::translate("Reported", r.source);
    }
    static const QRegularExpression inUse(QStringLiteral("^(?:In use by (.+)|设备正被 (.+) 使用)$"));
    if (const QRegularExpressionMatch m = inUse.match(reported); m.hasMatch()) {
        QString holder = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        if (holder == QLatin1String(kAnotherProgram))
            holder = QCoreApplication::translate("Reported", kAnotherProgram);
        return QCoreApplication::translate("Reported", kInUse).arg(holder);
    }
    return reported;
}

QString actionLabel(const QString &name)
{
    return QCoreApplication::translate("Action", actionFileName(name).toUtf8().constData());
}

QString gestureText(int knobKey)
{
    if (knobKey < 1 || knobKey > int(std::size(kGestures)))
        return QString();
    return QCoreApplication::translate("Gesture", kGestures[knobKey - 1]);
}
