#include "protocol/procreatetable.h"

#include <initializer_list>
#include <utility>

namespace {

using Entry = std::pair<QString, QList<unsigned char>>;

// Kept as an ordered list as well as a hash: the reverse lookup and the page
// want a stable order, the classification wants a fast exact match.
const QList<Entry> &orderedTable()
{
    static const QList<Entry> table = {
        {QStringLiteral("速选菜单"), {0x2C}},
        {QStringLiteral("调试命令"), {0x35}},
        {QStringLiteral("激活绘画工具"), {0x05}},
        {QStringLiteral("打开色彩面板"), {0x06}},
        {QStringLiteral("激活擦除工具"), {0x08}},
        {QStringLiteral("打开图层列表"), {0x0F}},
        {QStringLiteral("进入选取模式"), {0x16}},
        {QStringLiteral("进入变形模式"), {0x19}},
        {QStringLiteral("先前和当前颜色切换"), {0x1B}},
        {QStringLiteral("吸色M(iOS17)"), {0x10}},
        {QStringLiteral("清除所选图层"), {0xF4, 0x2A}},
        {QStringLiteral("开/关全屏模式"), {0xF4, 0x27}},
        {QStringLiteral("开/关透视指引"), {0xF4, 0x33}},
        {QStringLiteral("画笔缩小1%"), {0xF4, 0x2F}},
        {QStringLiteral("画笔放大1%"), {0xF4, 0x30}},
        {QStringLiteral("画笔缩小5%"), {0x2F}},
        {QStringLiteral("画笔放大5%"), {0x30}},
        {QStringLiteral("画笔缩小10%"), {0xF2, 0x2F}},
        {QStringLiteral("画笔放大10%"), {0xF2, 0x30}},
        {QStringLiteral("全部拷贝"), {0xF4, 0x04}},
        {QStringLiteral("输入颜色平衡调整"), {0xF4, 0x05}},
        {QStringLiteral("拷贝"), {0xF4, 0x06}},
        {QStringLiteral("清除选区"), {0xF4, 0x07}},
        {QStringLiteral("复制选区"), {0xF4, 0x0D}},
        {QStringLiteral("打开操作菜单"), {0xF4, 0x0E}},
        {QStringLiteral("输入HSB颜色"), {0xF4, 0x18}},
        {QStringLiteral("粘贴"), {0xF4, 0x19}},
        {QStringLiteral("剪切"), {0xF4, 0x1B}},
        {QStringLiteral("撤销"), {0xF4, 0x1D}},
        {QStringLiteral("重做"), {0xF2, 0xF4, 0x1D}},
    };
    return table;
}

} // namespace

const QHash<QString, QList<unsigned char>> &procreateKeyMap()
{
    static const QHash<QString, QList<unsigned char>> map = [] {
        QHash<QString, QList<unsigned char>> m;
        for (const Entry &e : orderedTable())
            m.insert(e.first, e.second);
        return m;
    }();
    return map;
}

const QStringList &procreateKeyNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const Entry &e : orderedTable())
            n.append(e.first);
        return n;
    }();
    return names;
}

QString procreateKeyNameFromSequence(const QList<unsigned char> &sequence)
{
    for (const Entry &e : orderedTable()) {
        if (e.second == sequence)
            return e.first;
    }
    return QString();
}
