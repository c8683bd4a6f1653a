#include "protocol/knobaction.h"

#include <QStringList>

KnobAction KnobAction::key(unsigned char modifiers, unsigned char usage, int delayMs)
{
    KnobAction a;
    a.kind = Key;
    a.modifiers = modifiers;
    a.usage = usage;
    a.delayMs = delayMs;
    return a;
}

KnobAction KnobAction::modifiersAlone(unsigned char modifiers, int delayMs)
{
    KnobAction a;
    a.kind = ModifiersAlone;
    a.modifiers = modifiers;
    a.delayMs = delayMs;
    return a;
}

KnobAction KnobAction::named(const QString &sourceName, int delayMs)
{
    KnobAction a;
    a.kind = Named;
    a.sourceName = sourceName;
    a.delayMs = delayMs;
    return a;
}

bool KnobAction::sameAction(const KnobAction &other) const
{
    return id() == other.id();
}

namespace {

const char *const kModifierTokens[8] = {"ctrl", "shift", "alt", "gui", "rctrl", "rshift", "ralt", "rgui"};

struct NamedId
{
    const char16_t *sourceName;
    const char *id;
};

// Fixed forever: files and tests name actions by these.
constexpr NamedId kNamedIds[] = {
    {u"上一曲", "media:previous-track"},
    {u"停止", "media:stop"},
    {u"下一曲", "media:next-track"},
    {u"播放/暂停", "media:play-pause"},
    {u"屏幕亮度-", "media:brightness-down"},
    {u"屏幕亮度+", "media:brightness-up"},
    {u"我的电脑", "media:my-computer"},
    {u"音量-", "media:volume-down"},
    {u"音量+", "media:volume-up"},
    {u"静音", "media:mute"},
    {u"打开媒体", "media:open-media"},
    {u"打开计算器", "media:open-calculator"},
    {u"打开浏览器", "media:open-browser"},
    {u"打开邮箱", "media:open-mail"},
    {u"高音-", "media:treble-down"},
    {u"高音+", "media:treble-up"},
    {u"低音-", "media:bass-down"},
    {u"低音+", "media:bass-up"},
    {u"网页刷新", "media:web-refresh"},
    {u"网页前进", "media:web-forward"},
    {u"网页后退", "media:web-back"},
    {u"关闭灯光", "light:off"},
    {u"LED模式1", "light:mode-1"},
    {u"LED模式2", "light:mode-2"},
    {u"LED模式3", "light:mode-3"},
    {u"LED模式4", "light:mode-4"},
    {u"LED模式5", "light:mode-5"},
    {u"鼠标左键", "mouse:left-click"},
    {u"鼠标中键", "mouse:middle-click"},
    {u"鼠标右键", "mouse:right-click"},
    {u"点赞", "mouse:like"},
    {u"鼠标滚轮+", "mouse:wheel-up"},
    {u"鼠标滚轮-", "mouse:wheel-down"},
    {u"向左划屏", "mouse:swipe-left"},
    {u"向右划屏", "mouse:swipe-right"},
    {u"向上划屏", "mouse:swipe-up"},
    {u"向下划屏", "mouse:swipe-down"},
    {u"Ctrl+鼠标向上", "mouse:ctrl-wheel-up"},
    {u"Ctrl+鼠标向下", "mouse:ctrl-wheel-down"},
    {u"shift+鼠标向上", "mouse:shift-wheel-up"},
    {u"shift+鼠标向下", "mouse:shift-wheel-down"},
    {u"Alt+鼠标向上", "mouse:alt-wheel-up"},
    {u"Alt+鼠标向下", "mouse:alt-wheel-down"},
    {u"速选菜单", "procreate:quickmenu"},
    {u"调试命令", "procreate:adjustments"},
    {u"激活绘画工具", "procreate:paint-tool"},
    {u"打开色彩面板", "procreate:colour-panel"},
    {u"激活擦除工具", "procreate:erase-tool"},
    {u"打开图层列表", "procreate:layers"},
    {u"进入选取模式", "procreate:selection"},
    {u"进入变形模式", "procreate:transform"},
    {u"先前和当前颜色切换", "procreate:swap-colours"},
    {u"吸色M(iOS17)", "procreate:eyedropper"},
    {u"清除所选图层", "procreate:clear-layer"},
    {u"开/关全屏模式", "procreate:fullscreen"},
    {u"开/关透视指引", "procreate:perspective-guide"},
    {u"画笔缩小1%", "procreate:brush-smaller-1"},
    {u"画笔放大1%", "procreate:brush-larger-1"},
    {u"画笔缩小5%", "procreate:brush-smaller-5"},
    {u"画笔放大5%", "procreate:brush-larger-5"},
    {u"画笔缩小10%", "procreate:brush-smaller-10"},
    {u"画笔放大10%", "procreate:brush-larger-10"},
    {u"全部拷贝", "procreate:copy-all"},
    {u"输入颜色平衡调整", "procreate:colour-balance"},
    {u"拷贝", "procreate:copy"},
    {u"清除选区", "procreate:deselect"},
    {u"复制选区", "procreate:duplicate-selection"},
    {u"打开操作菜单", "procreate:actions-menu"},
    {u"输入HSB颜色", "procreate:hsb-colour"},
    {u"粘贴", "procreate:paste"},
    {u"剪切", "procreate:cut"},
    {u"撤销", "procreate:undo"},
    {u"重做", "procreate:redo"},
};

const QLatin1String kNamePrefix("name:"); // a name without a fixed id, percent-encoded

QString maskTokens(unsigned char mask)
{
    QString out;
    for (int bit = 0; bit < 8; ++bit) {
        if (mask & (1u << bit))
            out += QLatin1Char('+') + QLatin1String(kModifierTokens[bit]);
    }
    return out;
}

// "+ctrl+shift" back to its mask; false for an unknown or repeated token.
bool maskFromTokens(QStringView tokens, unsigned char *mask)
{
    *mask = 0;
    if (tokens.isEmpty())
        return true;
    if (!tokens.startsWith(QLatin1Char('+')))
        return false;
    for (const QString &t : tokens.mid(1).toString().split(QLatin1Char('+'))) {
        int bit = 0;
        while (bit < 8 && t != QLatin1String(kModifierTokens[bit]))
            ++bit;
        if (bit == 8 || (*mask & (1u << bit)))
            return false;
        *mask |= static_cast<unsigned char>(1u << bit);
    }
    return true;
}

} // namespace

QString KnobAction::id() const
{
    switch (kind) {
    case Key:
        return QStringLiteral("key:0x%1").arg(usage, 2, 16, QLatin1Char('0')) + maskTokens(modifiers);
    case ModifiersAlone:
        return QStringLiteral("mods:") + maskTokens(modifiers).mid(1);
    case Named:
        for (const NamedId &n : kNamedIds) {
            if (sourceName == QStringView(n.sourceName))
                return QLatin1String(n.id);
        }
        return kNamePrefix + QString::fromLatin1(sourceName.toUtf8().toPercentEncoding());
    }
    return QString();
}

std::optional<KnobAction> KnobAction::fromId(const QString &id)
{
    std::optional<KnobAction> out;
    if (id.startsWith(QLatin1String("key:0x")) && id.size() >= 8) {
        bool ok = false;
        const uint usage = QStringView(id).mid(6, 2).toUInt(&ok, 16);
        unsigned char mask = 0;
        if (ok && maskFromTokens(QStringView(id).mid(8), &mask))
            out = key(mask, static_cast<unsigned char>(usage));
    } else if (id.startsWith(QLatin1String("mods:"))) {
        unsigned char mask = 0;
        if (id.size() > 5 && maskFromTokens(QString(QLatin1Char('+') + id.mid(5)), &mask))
            out = modifiersAlone(mask);
    } else if (id.startsWith(kNamePrefix)) {
        out =
            named(QString::fromUtf8(QByteArray::fromPercentEncoding(id.mid(kNamePrefix.size()).toLatin1())));
    } else {
        for (const NamedId &n : kNamedIds) {
            if (id == QLatin1String(n.id))
                out = named(QString::fromUtf16(n.sourceName));
        }
    }
    // Only the one spelling an action writes is its id ("key:0x4" is not).
    if (out && out->id() != id)
        out.reset();
    return out;
}
