#include "app/language.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <memory>

namespace {

// The first family fontconfig offers for a language that has a glyph for
// sample, or nothing (no font for it is installed; Qt's fallback then finds
// whatever has the glyphs).
QString familyForLanguage(const char *fcLanguage, FcChar32 sample)
{
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), FcPatternDestroy);
    if (!pattern)
        return QString();
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8 *>(fcLanguage));
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>("sans-serif"));
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern))
        return QString();
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
        FcFontMatch(nullptr, pattern.get(), &result), FcPatternDestroy);
    if (!match || result != FcResultMatch)
        return QString();
    FcCharSet *chars = nullptr;
    FcChar8 *family = nullptr;
    if (FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &chars) != FcResultMatch ||
        !FcCharSetHasChar(chars, sample) ||
        FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char *>(family));
}

void steerFontsTo(const QString &family)
{
    // The families the window asks for by name; none of them is on a Linux
    // desktop, so the substitute is what draws every text.
    for (const char *name : {"PingFang SC", "Microsoft YaHei"})
        QFont::insertSubstitution(QString::fromLatin1(name), family);
}

} // namespace

const QStringList &interfaceLanguages()
{
    static const QStringList languages{QStringLiteral("en"), QStringLiteral("zh_CN")};
    return languages;
}

QString chooseInterfaceLanguage(const QString &requested, const QStringList &systemLanguages)
{
    if (!requested.isEmpty())
        return interfaceLanguages().contains(requested) ? requested : QString();
    // "zh-Hant-TW" and "zh_CN" are both Chinese: the language part decides.
    const QString first =
        systemLanguages.value(0).section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
    for (const QString &name : interfaceLanguages()) {
        if (!first.isEmpty() && first == name.section(QLatin1Char('_'), 0, 0))
            return name;
    }
    return QStringLiteral("en");
}

void installInterfaceLanguage(const QString &language)
{
    if (language == QLatin1String("en") || language.isEmpty())
        return;
    QLocale::setDefault(QLocale(language));
    auto *own = new QTranslator(QCoreApplication::instance());
    if (own->load(QStringLiteral(":/i18n/veltranix_%1.qm").arg(language)))
        QCoreApplication::installTranslator(own);
    else
        qWarning().noquote() << QStringLiteral("界面语言 %1 的翻译无法加载").arg(language);
    // Qt's own dialogs and buttons, where the distribution's Qt translations are installed.
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    if (language.startsWith(QLatin1String("zh"))) {
        const QString family = familyForLanguage("zh-cn", 0x4E2D);
        if (!family.isEmpty())
            steerFontsTo(family);
        qDebug().noquote() << "界面语言:" << language
                           << ", 中文字体:" << (family.isEmpty() ? "(无)" : family);
    }
}
