// Renders the window in one language at 1920 x 1080 and 960 x 540: every
// tab, the reset question, the two choice questions, the debug console and the
// longest toasts, to PNG files in the given directory.
//
//   QT_QPA_PLATFORM=offscreen langshots OUT_DIR en|zh_CN|pseudo
//
// "pseudo" makes every translatable English text 40 % longer and brackets it,
// so that a text a longer language would cut shows without its "]".

#include "app/language.h"
#include "app/platformprofile.h"
#include "device/KnobSession.h"
#include "ui/ChoiceOverlay.h"
#include "ui/MainLayoutWidget.h"
#include "ui/ToastWidget.h"
#include "ui/pages/DebugWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <cmath>
#include <cstdio>

namespace {

class PseudoTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        const QString text = QString::fromUtf8(source);
        const int extra = std::max(0, int(std::ceil(text.size() * 1.4)) - int(text.size()) - 2);
        return QLatin1Char('[') + text + QString(extra, QChar(0x00B7)) + QLatin1Char(']');
    }
};

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString tr(const char *context, const char *text)
{
    return QCoreApplication::translate(context, text);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: langshots OUT_DIR en|zh_CN|pseudo\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString language = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    PseudoTranslator pseudo;
    if (language == QLatin1String("pseudo"))
        QCoreApplication::installTranslator(&pseudo);
    else
        installInterfaceLanguage(language);
    const UIPlatformConfig profile = currentUIPlatformConfig();
    QApplication::setFont(QFont(profile.fontFamily, profile.fontPointSize));

    KnobSession session;
    MainLayoutWidget window(&session);
    window.show();
    session.startDemo();
    settle(1500);
    bool ok = true;
    for (const QSize size : {QSize(1920, 1080), QSize(960, 540)}) {
        const QString prefix = QStringLiteral("%1/%2x%3-").arg(out).arg(size.width()).arg(size.height());
        const auto shoot = [&](const QString &name) {
            ok = window.grab().save(prefix + name + ".png") && ok;
        };
        window.resize(size);
        settle(800);
        for (int i = 0; i < 7; ++i) {
            if (auto *tab = window.findChild<QLabel *>(QStringLiteral("tabItem%1").arg(i)))
                QTest::mouseClick(tab, Qt::LeftButton);
            settle(600);
            shoot(QStringLiteral("tab%1").arg(i));
        }
        QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("resetButton")), Qt::LeftButton);
        settle(800);
        shoot(QStringLiteral("reset"));
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (button->isVisible() && button->text() == tr("ResetOverlay", "Cancel"))
                button->click();
        }
        const QStringList questions[] = {
            {tr("UnsavedEditsGuard", "Unsaved edits"),
             tr("UnsavedEditsGuard", "The knob does not have your latest edits. Save them before closing?"),
             tr("UnsavedEditsGuard", "Cancel"), tr("UnsavedEditsGuard", "Discard"),
             tr("UnsavedEditsGuard", "Save")},
            {tr("KnobSync", "Edits for another knob"),
             tr("KnobSync",
                "You have unsaved edits made for %1; the knob connected now is %2. Put those edits on "
                "this knob?")
                 .arg(tr("KnobSync", "the knob with serial %1").arg("0001"),
                      tr("KnobSync", "the knob with Bluetooth address %1").arg("AA:BB:CC:DD:EE:FF")),
             tr("KnobSync", "Not now"), tr("KnobSync", "Discard"), tr("KnobSync", "Use on this knob")}};
        int q = 0;
        for (const QStringList &question : questions) {
            auto *overlay = new ChoiceOverlay(&window, question.at(0), question.at(1), question.mid(2));
            overlay->show();
            overlay->raise();
            settle(800);
            shoot(QStringLiteral("question%1").arg(q++));
            delete overlay;
        }
        const QStringList toasts[] = {
            {tr("TabPages", "Not added"), tr("StorageRule", "It must be the gesture's only action")},
            {tr("SaveNotice", "Save not confirmed"),
             tr("SaveNotice", "The knob did not answer the read-back")},
            {tr("KnobSync", "Connection successful"),
             tr("KnobSync", "Successfully connected to the current Bluetooth device")},
            {tr("KnobSync", "Low battery"),
             tr("KnobSync", "The knob's battery is at %1 %: charge it soon").arg(9)},
            {tr("MacroGUI", "Saving"),
             tr("MacroGUI", "The window closes when the save to the knob is done.")},
        };
        int t = 0;
        for (const QStringList &toast : toasts) {
            window.findChild<ToastWidget *>()->showMessage(t % 2 == 0, toast.at(0), toast.at(1));
            settle(900);
            shoot(QStringLiteral("toast%1").arg(t++));
        }
        DebugWidget debug;
        debug.resize(size.width() * 1184 / 1920, size.height() * 248 / 1080 * 2);
        debug.show();
        settle(300);
        ok = debug.grab().save(prefix + "debug.png") && ok;
    }
    session.shutdown();
    return ok ? 0 : 1;
}
