#include "ui/pages/KeyboardWidget.h"

#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobaction.h"
#include "ui/GestureSelection.h"

#include "ui/pages/PagePanel.h"
#include "ui/pages/PaintedButton.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace {

const QString kFontFamily = QStringLiteral("Microsoft YaHei");

QString hexCode(unsigned code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

// Texts that are not simply the upper-cased id. Built once, shared.
const QHash<QString, QString> &keyTextTable()
{
    static const QHash<QString, QString> table = {
        {"esc", "Esc"},
        {"print", "Print"},
        {"scroll", "Scroll"},
        {"pause", "Pause"},
        {"tilde", "~\n`"},
        {"1", "!\n1"},
        {"2", "@\n2"},
        {"3", "#\n3"},
        {"4", "$\n4"},
        {"5", "%\n5"},
        {"6", "^\n6"},
        {"7", "&&\n7"},
        {"8", "*\n8"},
        {"9", "(\n9"},
        {"0", ")\n0"},
        {"minus", "_\n-"},
        {"equal", "+\n="},
        {"backspace", "Backspace"},
        {"insert", "Insert"},
        {"home", "Home"},
        {"page_up", "PgUp"},
        {"tab", "Tab"},
        {"bracket_left", "{\n["},
        {"bracket_right", "}\n]"},
        {"backslash", "|\n\\"},
        {"del", "Del"},
        {"end", "End"},
        {"page_down", "PgDn"},
        {"caps_lock", "Caps"},
        {"semicolon", ":\n;"},
        {"quote", "\"\n'"},
        {"enter", "Enter"},
        {"shift_left", "Shift L"},
        {"angle_left", "<\n,"},
        {"angle_right", ">\n."},
        {"question", "?\n/"},
        {"shift_right", "Shift R"},
        {"up", QString::fromUtf8("↑")},
        {"fn", "fn"},
        {"ctrl_left", "Ctrl"},
        {"ctrl_right", "Ctrl"},
        {"space", "Space"},
        {"left", QString::fromUtf8("←")},
        {"down", QString::fromUtf8("↓")},
        {"right", QString::fromUtf8("→")},
        {"num_lock", "Num"},
        {"slash", "/"},
        {"asterisk", "*"},
        {"-", "-"},
        {"numpad7", "7"},
        {"numpad8", "8"},
        {"numpad9", "9"},
        {"plus_big", "+"},
        {"numpad4", "4"},
        {"numpad5", "5"},
        {"numpad6", "6"},
        {"numpad1", "1"},
        {"numpad2", "2"},
        {"numpad3", "3"},
        {"enter_numpad", "Enter"},
        {"num0_big", "0"},
        {"dot", "."},
    };
    return table;
}

const QStringList kSystemDependentKeys = {"ctrl_left", "ctrl_right", "win_left", "win_right", "alt_left",
                                          "alt_right", "print",      "scroll",   "pause"};

const QStringList kRow1 = {"esc", "f1",  "f2",  "f3",  "f4",  "f5",    "f6",     "f7",   "f8",
                           "f9",  "f10", "f11", "f12", "f13", "print", "scroll", "pause"};
const QStringList kRow2 = {"tilde", "1", "2",     "3",     "4",         "5",      "6",    "7",      "8",
                           "9",     "0", "minus", "equal", "backspace", "insert", "home", "page_up"};
const QStringList kRow3 = {
    "tab",           "q",         "w",   "e",   "r",        "t", "y", "u", "i", "o", "p", "bracket_left",
    "bracket_right", "backslash", "del", "end", "page_down"};
const QStringList kRow4 = {"caps_lock", "a", "s", "d",         "f",     "g",    "h",
                           "j",         "k", "l", "semicolon", "quote", "enter"};
const QStringList kRow5 = {"shift_left", "z", "x",          "c",           "v",        "b",
                           "n",          "m", "angle_left", "angle_right", "question", "shift_right"};
const QStringList kBottomRow = {"fn",    "ctrl_left", "win_left",  "alt_left",
                                "space", "alt_right", "win_right", "ctrl_right"};
const QList<QStringList> kKeypadRows = {{"num_lock", "slash", "asterisk", "-"},
                                        {"numpad7", "numpad8", "numpad9", "plus_big"},
                                        {"numpad4", "numpad5", "numpad6"},
                                        {"numpad1", "numpad2", "numpad3", "enter_numpad"},
                                        {"num0_big", "dot"}};

} // namespace

QSize keyboardDesignSize(const QString &id, bool macLayout)
{
    const KeyboardKeyDef *d = keyboardKeyDef(id);
    if (!d)
        return QSize(59, 59);
    return QSize(macLayout ? d->macWidth : d->width, d->height);
}

QString keyboardKeyText(const QString &id, bool macLayout)
{
    if (macLayout) {
        static const QHash<QString, QString> mac = {
            {"ctrl_left", "control"}, {"ctrl_right", "control"}, {"win_left", "option"},
            {"win_right", "option"},  {"alt_left", "command"},   {"alt_right", "command"},
            {"print", "F14"},         {"scroll", "F15"},         {"pause", "F16"}};
        const auto it = mac.constFind(id);
        if (it != mac.constEnd())
            return *it;
    } else {
        static const QHash<QString, QString> win = {{"ctrl_left", "Ctrl L"}, {"ctrl_right", "Ctrl R"},
                                                    {"win_left", "Win L"},   {"win_right", "Win R"},
                                                    {"alt_left", "Alt L"},   {"alt_right", "Alt R"}};
        const auto it = win.constFind(id);
        if (it != win.constEnd())
            return *it;
    }
    const auto it = keyTextTable().constFind(id);
    if (it != keyTextTable().constEnd())
        return *it;
    return id.toUpper();
}

unsigned short keyboardClickCode(const QString &id, unsigned short createdCode, bool macLayout)
{
    if (id == QLatin1String("print"))
        return macLayout ? 0x69 : 0x46;
    if (id == QLatin1String("scroll"))
        return macLayout ? 0x6A : 0x47;
    if (id == QLatin1String("pause"))
        return macLayout ? 0x6B : 0x48;
    return createdCode;
}

QString keyboardMacIcon(const QString &id)
{
    static const QHash<QString, QString> icons = {
        {"f1", "brightness_down.svg"}, {"f2", "brightness_up.svg"},    {"f3", "mission_control.svg"},
        {"f4", "spotlight.svg"},       {"f5", "dictation.svg"},        {"f6", "do_not_disturb.svg"},
        {"f7", "media_previous.svg"},  {"f8", "media_play_pause.svg"}, {"f9", "media_next.svg"},
        {"f10", "volume_mute.svg"},    {"f11", "volume_lower.svg"},    {"f12", "volume_higher.svg"}};
    const QString file = icons.value(id);
    return file.isEmpty() ? QString() : QStringLiteral(":/asset/key/") + file;
}

KeyboardLayout keyboardLayout(const QSize &pictureSize, bool mac)
{
    const PageScale s(pictureSize);
    KeyboardLayout out;
    out.fontRange = pageFontRange(s);
    out.layer = QRect(s.x(16), s.y(78), s.x(1520), s.y(406));

    const int g = s.x(8);
    const int blockGap = s.x(34);
    const int sectionGap = s.x(16);
    const int rowTop[] = {0, s.y(75), s.y(142), s.y(209), s.y(276), s.y(343)};
    auto sizeOf = [&](const QString &id) {
        const QSize d = keyboardDesignSize(id, mac);
        return QSize(s.x(d.width()), s.y(d.height()));
    };
    auto layRow = [&](const QStringList &ids, int top, int x, auto gapAfter) {
        for (const QString &id : ids) {
            const QSize sz = sizeOf(id);
            out.keys.insert(id, QRect(QPoint(x, top), sz));
            x += sz.width() + gapAfter(id);
        }
    };

    layRow(kRow1, rowTop[0], 0, [&](const QString &id) {
        if (id == QLatin1String("esc") || id == QLatin1String("f4") || id == QLatin1String("f8") ||
            id == QLatin1String("f12"))
            return blockGap;
        return id == QLatin1String("f13") ? sectionGap : g;
    });
    auto navGap = [&](const QString &id) {
        return id == QLatin1String("backspace") || id == QLatin1String("backslash") ? sectionGap : g;
    };
    layRow(kRow2, rowTop[1], 0, navGap);
    layRow(kRow3, rowTop[2], 0, navGap);
    layRow(kRow4, rowTop[3], 0, navGap);
    layRow(kRow5, rowTop[4], 0, navGap);

    const int xDel = out.keys.value(QStringLiteral("del")).x();
    const int xUp = xDel + g + sizeOf(QStringLiteral("del")).width();
    out.keys.insert(QStringLiteral("up"), QRect(QPoint(xUp, rowTop[4]), sizeOf(QStringLiteral("up"))));
    out.keys.insert(QStringLiteral("left"), QRect(QPoint(xDel, rowTop[5]), sizeOf(QStringLiteral("left"))));
    out.keys.insert(QStringLiteral("down"), QRect(QPoint(xUp, rowTop[5]), sizeOf(QStringLiteral("down"))));
    out.keys.insert(QStringLiteral("right"),
                    QRect(QPoint(xUp + g + sizeOf(QStringLiteral("end")).width(), rowTop[5]),
                          sizeOf(QStringLiteral("right"))));

    QStringList bottom = kBottomRow;
    if (!mac)
        bottom.removeAll(QStringLiteral("fn"));
    layRow(bottom, rowTop[5], 0, [g](const QString &) { return g; });

    const int xk = s.x(1260);
    const int ka = s.y(75);
    const int keypadTop[] = {ka, s.y(67) + ka, s.y(134) + ka, s.y(201) + ka, s.y(268) + ka};
    for (int r = 0; r < kKeypadRows.size(); ++r)
        layRow(kKeypadRows[r], keypadTop[r], xk, [g](const QString &) { return g; });
    return out;
}

// ---------------------------------------------------------------------------

KeyboardLabel::KeyboardLabel(QWidget *parent) : QLabel(parent)
{
    setScaledContents(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize((m_svgSize / 2).toSize());
}

void KeyboardLabel::setHotspots(const QList<KeyHotspot> &hotspots)
{
    m_hotspots = hotspots;
}

QPointF KeyboardLabel::mapToSvgCoordinates(const QPoint &p) const
{
    // An unlaid label has no extent to map from.
    if (width() < 1 || height() < 1)
        return QPointF(p);
    return QPointF(p.x() * m_svgSize.width() / width(), p.y() * m_svgSize.height() / height());
}

void KeyboardLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPos = event->position().toPoint();
    QLabel::mousePressEvent(event);
}

void KeyboardLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint release = event->position().toPoint();
        const QPoint press = m_pressPos.toPoint();
        if (std::abs(release.x() - press.x()) + std::abs(release.y() - press.y()) < 10) {
            const QPointF at = mapToSvgCoordinates(release);
            for (const KeyHotspot &h : std::as_const(m_hotspots)) {
                if (h.rect.contains(at)) {
                    qDebug().noquote() << "Key clicked:" << h.label << "Code:" << hexCode(h.keyCode);
                    Q_EMIT keyClicked(h.keyCode);
                    break;
                }
            }
        }
    }
    QLabel::mouseReleaseEvent(event);
}

void KeyboardLabel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    PagePanel::paint(painter, event->rect());
}

// ---------------------------------------------------------------------------

KeyboardWidget::KeyboardWidget(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(776, 248);
    resize(kPageDesignWidth, kPageDesignHeight);
    m_svgLabel = new KeyboardLabel(this);
    // Keys are created at the panel's design size; the first resize re-lays them.
    m_svgLabel->resize(m_svgLabel->pictureSize().toSize());
    m_keyLayer = new QWidget(this);
    m_keyLayer->setGeometry(16, 78, 1520, 406);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_svgLabel);
    setupHotspots();
    setupKeyLayer();
    connect(m_svgLabel, &KeyboardLabel::keyClicked, this, &KeyboardWidget::keyClicked);
    // Connected first, so the count is up to date before anyone else sees the key.
    connect(this, &KeyboardWidget::keyClicked, this, &KeyboardWidget::countEscapeClick);
}

void KeyboardWidget::countEscapeClick(uint16_t keyCode)
{
    if (keyCode != kEscapeUsage) {
        if (m_escClickCount > 0)
            qDebug().noquote() << "Reset ESC count (clicked other key)";
        m_escClickCount = 0;
        return;
    }
    ++m_escClickCount;
    qDebug().noquote() << "ESC clicked, count:" << m_escClickCount;
    if (m_escClickCount >= kEscapeClicksToUnlock) {
        m_escClickCount = 0;
        qDebug().noquote() << "Showing debug tab...";
        Q_EMIT debugUnlockRequested();
    }
}

void KeyboardWidget::resetEscapeClickCount()
{
    m_escClickCount = 0;
}

void KeyboardWidget::setupHotspots()
{
    const QList<KeyHotspot> &spots = keyboardHotspots();
    m_svgLabel->setHotspots(spots);
    qDebug() << "Keyboard hotspots setup complete. Total hotspots:" << spots.size();
}

QSize KeyboardWidget::keySizeById(const QString &id) const
{
    const QSize d = keyboardDesignSize(id, m_isMacLayout);
    const PageScale s(m_svgLabel ? m_svgLabel->size() : QSize(kPageDesignWidth, kPageDesignHeight));
    return QSize(s.x(d.width()), s.y(d.height()));
}

QString KeyboardWidget::keyTextById(const QString &id) const
{
    return keyboardKeyText(id, m_isMacLayout);
}

void KeyboardWidget::addKeyButton(const QString &id, int x, int y, unsigned short keyCode)
{
    auto *button = new PaintedButton(keyTextById(id), m_keyLayer);
    button->setFixedSize(keySizeById(id));
    button->move(x, y);
    button->setFontFamily(kFontFamily);
    if (id == QLatin1String("print") || id == QLatin1String("scroll") || id == QLatin1String("pause"))
        button->setFixedFontSize(true);
    m_keyButtons.insert(id, button);
    // A key lights when the selected gesture holds it, which the window tells.
    connect(button, &QPushButton::clicked, this, [this, id, keyCode]() {
        const unsigned short code = keyboardClickCode(id, keyCode, m_isMacLayout);
        Q_EMIT keyClicked(code);
        qDebug().noquote() << "Key button clicked, keyId:" << id << "keyCode:" << hexCode(code)
                           << "isMacLayout:" << (m_isMacLayout ? "true" : "false");
    });
}

void KeyboardWidget::setupKeyLayer()
{
    const KeyboardLayout lay = keyboardLayout(m_svgLabel->size(), m_isMacLayout);
    m_keyLayer->setGeometry(lay.layer);
    for (const KeyboardKeyDef &d : keyboardKeyDefs()) {
        const QRect r = lay.keys.value(d.id);
        addKeyButton(d.id, r.x(), r.y(), d.code);
    }
    if (PaintedButton *fn = m_keyButtons.value(QStringLiteral("fn"))) {
        if (m_isMacLayout) {
            qDebug() << "fn key created and visible (Mac layout)";
        } else {
            fn->hide();
            qDebug() << "fn key created but hidden (Windows layout)";
        }
    }
    qDebug() << "Key layer initialized with 6 rows";
}

void KeyboardWidget::setMacLayout(bool mac)
{
    if (mac == m_isMacLayout)
        return;
    m_isMacLayout = mac;
    refreshSystemDependentKeyTexts();
    applyMacFunctionKeyIcons();
    updateKeyLayerLayout();
    applyLitUsages();
    qDebug() << "Layout switched to" << (mac ? "Mac" : "Windows");
}

void KeyboardWidget::setLitUsages(const QList<unsigned short> &usages)
{
    m_litUsages = usages;
    applyLitUsages();
}

void KeyboardWidget::applyLitUsages()
{
    for (const KeyboardKeyDef &d : keyboardKeyDefs()) {
        if (PaintedButton *b = m_keyButtons.value(d.id))
            b->setSelected(m_litUsages.contains(keyboardClickCode(d.id, d.code, m_isMacLayout)));
    }
}

QList<unsigned short> keyboardUsagesOf(const QList<KnobAction> &gesture)
{
    QList<unsigned short> usages;
    const auto add = [&usages](unsigned short usage, unsigned mask) {
        for (int i = 0; i < 8; ++i) {
            if (mask & (1u << i))
                usages << static_cast<unsigned short>(0xE0 + i);
        }
        if (usage != 0)
            usages << usage;
    };
    for (const KnobAction &a : gesture) {
        if (a.kind != KnobAction::Named) {
            add(a.usage, a.modifiers);
            continue;
        }
        const QString &name = a.sourceName;
        const unsigned short code = combinationToKeyCode(name);
        const int type = getKeyType(name, code);
        if (type == Standard || type == ModifierOnly)
            add(type == Standard ? code : 0, combinationToModifierMask(name));
    }
    return usages;
}

void KeyboardWidget::refreshSystemDependentKeyTexts()
{
    for (const QString &id : kSystemDependentKeys) {
        if (PaintedButton *b = m_keyButtons.value(id))
            b->setText(keyTextById(id));
    }
}

void KeyboardWidget::applyMacFunctionKeyIcons()
{
    for (int i = 1; i <= 12; ++i) {
        const QString id = QStringLiteral("f%1").arg(i);
        if (PaintedButton *b = m_keyButtons.value(id))
            b->setTopIconSvg(m_isMacLayout ? keyboardMacIcon(id) : QString());
    }
}

void KeyboardWidget::updateKeyLayerLayout()
{
    if (!m_svgLabel || !m_keyLayer)
        return;
    const KeyboardLayout lay = keyboardLayout(m_svgLabel->size(), m_isMacLayout);
    for (PaintedButton *b : std::as_const(m_keyButtons))
        b->setFontPixelSizeRange(lay.fontRange.minimum, lay.fontRange.maximum);
    m_keyLayer->setGeometry(lay.layer);
    for (auto it = m_keyButtons.constBegin(); it != m_keyButtons.constEnd(); ++it) {
        PaintedButton *b = it.value();
        const auto r = lay.keys.constFind(it.key());
        if (r == lay.keys.constEnd()) {
            // Only fn is missing, on the Windows layout.
            b->hide();
            qDebug() << "fn key hidden in updateKeyLayerLayout (Windows)";
            continue;
        }
        b->setFixedSize(r->size());
        b->move(r->topLeft());
        b->setVisible(true);
        if (it.key() == QLatin1String("fn"))
            qDebug() << "fn key shown at" << r->x() << r->y() << "size" << r->size();
    }
}

void KeyboardWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateKeyLayerLayout();
}

void KeyboardWidget::follow(const KnobEditor *editor, const GestureSelection *selection)
{
    followSelectedGesture(this, editor, selection,
                          [this](const QList<KnobAction> &held) { setLitUsages(keyboardUsagesOf(held)); });
}
