#include "protocol/actionfilenames.h"

#include <QHash>

namespace {

struct FileName
{
    const char16_t *source;
    const char *file;
};

// Fixed forever: existing configuration files name actions and keys by these.
constexpr FileName kFileNames[] = {
    {u"上一曲", "Previous Track"},
    {u"停止", "Stop"},
    {u"下一曲", "Next Track"},
    {u"播放/暂停", "Play / Pause"},
    {u"屏幕亮度-", "Brightness -"},
    {u"屏幕亮度+", "Brightness +"},
    {u"我的电脑", "My Computer"},
    {u"音量-", "Volume -"},
    {u"音量+", "Volume +"},
    {u"静音", "Mute"},
    {u"打开媒体", "Media Player"},
    {u"打开计算器", "Calculator"},
    {u"打开浏览器", "Browser"},
    {u"打开邮箱", "Email"},
    {u"高音-", "Treble -"},
    {u"高音+", "Treble +"},
    {u"低音-", "Bass -"},
    {u"低音+", "Bass +"},
    {u"网页刷新", "Refresh Page"},
    {u"网页前进", "Forward"},
    {u"网页后退", "Back"},
    {u"鼠标左键", "Left Click"},
    {u"鼠标中键", "Middle Click"},
    {u"鼠标右键", "Right Click"},
    {u"点赞", "Like"},
    {u"鼠标滚轮+", "Scroll Up"},
    {u"鼠标滚轮-", "Scroll Down"},
    {u"向左划屏", "Swipe Left"},
    {u"Ctrl+鼠标向上", "Ctrl + Scroll Up"},
    {u"Ctrl+鼠标向下", "Ctrl + Scroll Down"},
    {u"向右划屏", "Swipe Right"},
    {u"shift+鼠标向上", "Shift + Scroll Up"},
    {u"shift+鼠标向下", "Shift + Scroll Down"},
    {u"向上划屏", "Swipe Up"},
    {u"Alt+鼠标向上", "Alt + Scroll Up"},
    {u"Alt+鼠标向下", "Alt + Scroll Down"},
    {u"向下划屏", "Swipe Down"},
    {u"速选菜单", "QuickMenu"},
    {u"调试命令", "Command Mode"},
    {u"激活绘画工具", "Paint Tool"},
    {u"打开色彩面板", "Color Panel"},
    {u"激活擦除工具", "Eraser"},
    {u"打开图层列表", "Layers Panel"},
    {u"进入选取模式", "Selection Mode"},
    {u"进入变形模式", "Transform Mode"},
    {u"先前和当前颜色切换", "Switch Color"},
    {u"吸色M(iOS17)", "Eyedropper M (iOS 17)"},
    {u"清除所选图层", "Clear Selected Layer"},
    {u"开/关全屏模式", "Toggle Full Screen"},
    {u"开/关透视指引", "Toggle Perspective Guide"},
    {u"画笔缩小1%", "Decrease Brush Size 1%"},
    {u"画笔放大1%", "Increase Brush Size 1%"},
    {u"画笔缩小5%", "Decrease Brush Size 5%"},
    {u"画笔放大5%", "Increase Brush Size 5%"},
    {u"画笔缩小10%", "Decrease Brush Size 10%"},
    {u"画笔放大10%", "Increase Brush Size 10%"},
    {u"全部拷贝", "Copy All"},
    {u"输入颜色平衡调整", "Color Balance Adjustment"},
    {u"拷贝", "Copy"},
    {u"清除选区", "Clear Selection"},
    {u"复制选区", "Duplicate Selection"},
    {u"打开操作菜单", "Actions Menu"},
    {u"输入HSB颜色", "HSB Color"},
    {u"粘贴", "Paste"},
    {u"剪切", "Cut"},
    {u"撤销", "Undo"},
    {u"重做", "Redo"},
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
