#include "protocol/actionfilenames.h"

#include <QHash>
#include <QtGlobal>

namespace {

struct FileName
{
    const char16_t *source;
    const char *file;
};

// Fixed forever: existing configuration files name actions and keys by these.
// The window shows them translated (context "Action"), the file never.
constexpr FileName kFileNames[] = {
    {u"上一曲", QT_TRANSLATE_NOOP("Action", "Previous Track")},
    {u"停止", QT_TRANSLATE_NOOP("Action", "Stop")},
    {u"下一曲", QT_TRANSLATE_NOOP("Action", "Next Track")},
    {u"播放/暂停", QT_TRANSLATE_NOOP("Action", "Play / Pause")},
    {u"屏幕亮度-", QT_TRANSLATE_NOOP("Action", "Brightness -")},
    {u"屏幕亮度+", QT_TRANSLATE_NOOP("Action", "Brightness +")},
    {u"我的电脑", QT_TRANSLATE_NOOP("Action", "My Computer")},
    {u"音量-", QT_TRANSLATE_NOOP("Action", "Volume -")},
    {u"音量+", QT_TRANSLATE_NOOP("Action", "Volume +")},
    {u"静音", QT_TRANSLATE_NOOP("Action", "Mute")},
    {u"打开媒体", QT_TRANSLATE_NOOP("Action", "Media Player")},
    {u"打开计算器", QT_TRANSLATE_NOOP("Action", "Calculator")},
    {u"打开浏览器", QT_TRANSLATE_NOOP("Action", "Browser")},
    {u"打开邮箱", QT_TRANSLATE_NOOP("Action", "Email")},
    {u"高音-", QT_TRANSLATE_NOOP("Action", "Treble -")},
    {u"高音+", QT_TRANSLATE_NOOP("Action", "Treble +")},
    {u"低音-", QT_TRANSLATE_NOOP("Action", "Bass -")},
    {u"低音+", QT_TRANSLATE_NOOP("Action", "Bass +")},
    {u"网页刷新", QT_TRANSLATE_NOOP("Action", "Refresh Page")},
    {u"网页前进", QT_TRANSLATE_NOOP("Action", "Forward")},
    {u"网页后退", QT_TRANSLATE_NOOP("Action", "Back")},
    {u"鼠标左键", QT_TRANSLATE_NOOP("Action", "Left Click")},
    {u"鼠标中键", QT_TRANSLATE_NOOP("Action", "Middle Click")},
    {u"鼠标右键", QT_TRANSLATE_NOOP("Action", "Right Click")},
    {u"点赞", QT_TRANSLATE_NOOP("Action", "Like")},
    {u"鼠标滚轮+", QT_TRANSLATE_NOOP("Action", "Scroll Up")},
    {u"鼠标滚轮-", QT_TRANSLATE_NOOP("Action", "Scroll Down")},
    {u"向左划屏", QT_TRANSLATE_NOOP("Action", "Swipe Left")},
    {u"Ctrl+鼠标向上", QT_TRANSLATE_NOOP("Action", "Ctrl + Scroll Up")},
    {u"Ctrl+鼠标向下", QT_TRANSLATE_NOOP("Action", "Ctrl + Scroll Down")},
    {u"向右划屏", QT_TRANSLATE_NOOP("Action", "Swipe Right")},
    {u"shift+鼠标向上", QT_TRANSLATE_NOOP("Action", "Shift + Scroll Up")},
    {u"shift+鼠标向下", QT_TRANSLATE_NOOP("Action", "Shift + Scroll Down")},
    {u"向上划屏", QT_TRANSLATE_NOOP("Action", "Swipe Up")},
    {u"Alt+鼠标向上", QT_TRANSLATE_NOOP("Action", "Alt + Scroll Up")},
    {u"Alt+鼠标向下", QT_TRANSLATE_NOOP("Action", "Alt + Scroll Down")},
    {u"向下划屏", QT_TRANSLATE_NOOP("Action", "Swipe Down")},
    {u"速选菜单", QT_TRANSLATE_NOOP("Action", "QuickMenu")},
    {u"调试命令", QT_TRANSLATE_NOOP("Action", "Command Mode")},
    {u"激活绘画工具", QT_TRANSLATE_NOOP("Action", "Paint Tool")},
    {u"打开色彩面板", QT_TRANSLATE_NOOP("Action", "Color Panel")},
    {u"激活擦除工具", QT_TRANSLATE_NOOP("Action", "Eraser")},
    {u"打开图层列表", QT_TRANSLATE_NOOP("Action", "Layers Panel")},
    {u"进入选取模式", QT_TRANSLATE_NOOP("Action", "Selection Mode")},
    {u"进入变形模式", QT_TRANSLATE_NOOP("Action", "Transform Mode")},
    {u"先前和当前颜色切换", QT_TRANSLATE_NOOP("Action", "Switch Color")},
    {u"吸色M(iOS17)", QT_TRANSLATE_NOOP("Action", "Eyedropper M (iOS 17)")},
    {u"清除所选图层", QT_TRANSLATE_NOOP("Action", "Clear Selected Layer")},
    {u"开/关全屏模式", QT_TRANSLATE_NOOP("Action", "Toggle Full Screen")},
    {u"开/关透视指引", QT_TRANSLATE_NOOP("Action", "Toggle Perspective Guide")},
    {u"画笔缩小1%", QT_TRANSLATE_NOOP("Action", "Decrease Brush Size 1%")},
    {u"画笔放大1%", QT_TRANSLATE_NOOP("Action", "Increase Brush Size 1%")},
    {u"画笔缩小5%", QT_TRANSLATE_NOOP("Action", "Decrease Brush Size 5%")},
    {u"画笔放大5%", QT_TRANSLATE_NOOP("Action", "Increase Brush Size 5%")},
    {u"画笔缩小10%", QT_TRANSLATE_NOOP("Action", "Decrease Brush Size 10%")},
    {u"画笔放大10%", QT_TRANSLATE_NOOP("Action", "Increase Brush Size 10%")},
    {u"全部拷贝", QT_TRANSLATE_NOOP("Action", "Copy All")},
    {u"输入颜色平衡调整", QT_TRANSLATE_NOOP("Action", "Color Balance Adjustment")},
    {u"拷贝", QT_TRANSLATE_NOOP("Action", "Copy")},
    {u"清除选区", QT_TRANSLATE_NOOP("Action", "Clear Selection")},
    {u"复制选区", QT_TRANSLATE_NOOP("Action", "Duplicate Selection")},
    {u"打开操作菜单", QT_TRANSLATE_NOOP("Action", "Actions Menu")},
    {u"输入HSB颜色", QT_TRANSLATE_NOOP("Action", "HSB Color")},
    {u"粘贴", QT_TRANSLATE_NOOP("Action", "Paste")},
    {u"剪切", QT_TRANSLATE_NOOP("Action", "Cut")},
    {u"撤销", QT_TRANSLATE_NOOP("Action", "Undo")},
    {u"重做", QT_TRANSLATE_NOOP("Action", "Redo")},
};

} // namespace

QString actionFileName(const QString &source)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> t;
        for (const FileName &n : kFileNames)
            t.insert(QString::fromUtf16(n.source), QString::fromLatin1(n.file));
        return t;
    }();
    return names.value(source, source);
}
