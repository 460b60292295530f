#include "toolkit/FormatFloat.h"

#include "toolkit/SysUtils.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/numberformatter.h>

#include <memory>

namespace {

QString FromCp1251(const std::string& text)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

std::string ToCp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251", QStringConverter::Flag::Default);
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

icu::UnicodeString ToUnicode(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString FromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// A regional separator that Windows-1251 cannot hold (a narrow no-break space,
// say) falls back to the nearest character it can: any space becomes the
// no-break space, anything else the given default.
char RegionalSeparator(const QString& separator, char fallback)
{
    if (separator.size() != 1) return fallback;
    // The converter substitutes a control character for what it cannot encode,
    // so only a faithful round trip counts.
    const std::string encoded = ToCp1251(separator);
    if (encoded.size() == 1 && FromCp1251(encoded) == separator) return encoded[0];
    if (separator[0].isSpace()) return '\xA0';
    return fallback;
}

// Building a formatter parses the pattern and loads locale data, far dearer
// than formatting one value; labels of one axis share pattern and separators.
struct TCachedFormatter
{
    std::string Pattern;
    TFormatSettings Settings;
    std::unique_ptr<icu::number::LocalizedNumberFormatter> Formatter;
};

icu::number::LocalizedNumberFormatter MakeFormatter(const std::string& pattern,
                                                    const TFormatSettings& settings)
{
    UErrorCode status = U_ZERO_ERROR;
    // The root locale gives ASCII digits and a plain "-"; only the separators
    // come from the regional settings.
    icu::DecimalFormatSymbols symbols(icu::Locale::getRoot(), status);
    const auto symbol = [](char c) { return ToUnicode(FromCp1251(std::string(1, c))); };
    symbols.setSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol,
                      symbol(settings.ThousandSeparator));
    symbols.setSymbol(icu::DecimalFormatSymbols::kMonetaryGroupingSeparatorSymbol,
                      symbol(settings.ThousandSeparator));
    symbols.setSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol,
                      symbol(settings.DecimalSeparator));
    symbols.setSymbol(icu::DecimalFormatSymbols::kMonetarySeparatorSymbol,
                      symbol(settings.DecimalSeparator));
    // The library's own infinity sign has no Windows-1251 byte.
    symbols.setSymbol(icu::DecimalFormatSymbols::kInfinitySymbol, u"INF");
    symbols.setSymbol(icu::DecimalFormatSymbols::kNaNSymbol, u"NAN");

    icu::DecimalFormat format(ToUnicode(FromCp1251(pattern)), symbols, status);
    if (U_FAILURE(status))
        throw EConvertError(Format("'%s' is not a valid number format", pattern.c_str()));
    // Half away from zero, applied to the shortest decimal form of the double:
    // 1.0005 is shown as 1.001, as it reads, although its binary value lies a
    // hair below.
    format.setRoundingMode(icu::DecimalFormat::kRoundHalfUp);
    const icu::number::LocalizedNumberFormatter* converted = format.toNumberFormatter(status);
    if (U_FAILURE(status) || converted == nullptr) throw EOutOfMemory();
    // A "-0" label (negative zero, or a value a hair below zero after repeated
    // subtraction of a step) reads as an error; zero is shown unsigned.
    return converted->sign(UNUM_SIGN_NEGATIVE);
}

TFormatSettings SettingsOf(const QLocale& locale)
{
    TFormatSettings settings;
    settings.ThousandSeparator = RegionalSeparator(locale.groupSeparator(), ',');
    settings.DecimalSeparator = RegionalSeparator(locale.decimalPoint(), '.');
    return settings;
}

} // namespace

TFormatSettings RegionalFormatSettings()
{
    return SettingsOf(QLocale::system());
}

TFormatSettings LocaleFormatSettings(const std::string& localeName)
{
    return SettingsOf(QLocale(QString::fromStdString(localeName)));
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = RegionalFormatSettings();
    return settings;
}

std::string FormatFloat(const std::string& pattern, double value, const TFormatSettings& settings)
{
    thread_local TCachedFormatter cache;
    if (!cache.Formatter || cache.Pattern != pattern ||
        cache.Settings.ThousandSeparator != settings.ThousandSeparator ||
        cache.Settings.DecimalSeparator != settings.DecimalSeparator) {
        cache.Formatter = std::make_unique<icu::number::LocalizedNumberFormatter>(
            MakeFormatter(pattern, settings));
        cache.Pattern = pattern;
        cache.Settings = settings;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = cache.Formatter->formatDouble(value, status).toString(status);
    if (U_FAILURE(status))
        throw EConvertError(Format("'%s' is not a valid number format", pattern.c_str()));
    return ToCp1251(FromUnicode(text));
}

std::string FormatFloat(const std::string& pattern, double value)
{
    return FormatFloat(pattern, value, FormatSettings());
}
