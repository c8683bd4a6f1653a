#include "app/MacroGUI.h"
#include "app/logging.h"
#include "app/platformprofile.h"
#include "device/KnobSession.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELTRANIX"));
    QApplication::setOrganizationName(QStringLiteral("VELTRANIX"));
    qInstallMessageHandler(fileMessageHandler);

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/asset/VX_logo.ico")));

    const int fontId = QFontDatabase::addApplicationFont(QStringLiteral(":/asset/fonts/pingfang_sc.ttf"));
    if (fontId < 0)
        qDebug() << "内嵌字体加载失败，将使用系统字体";
    else
        qDebug() << "已加载内嵌字体:" << QFontDatabase::applicationFontFamilies(fontId);

    const UIPlatformConfig profile = currentUIPlatformConfig();
    QApplication::setFont(QFont(profile.fontFamily, profile.fontPointSize));
    app.setStyleSheet(QStringLiteral("QWidget { font-family: '%1'; }").arg(profile.fontFamily));
    qDebug() << "UI platform:" << profile.platformName << ", font:" << profile.fontFamily;

    KnobSession session;
    auto *window = new MacroGUI(&session);
    // The link starts once the window can show what it finds.
    session.start();
    window->show();
    const int code = app.exec();
    delete window;
    session.shutdown();
    return code;
}
