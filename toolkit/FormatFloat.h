// Number formatting with a picture pattern ("#,##0.###") and the user's regional
// separators, the runtime service that axis labels are written with.
#pragma once

#include <string>

// The regional separators, as Windows-1251 characters.
struct TFormatSettings
{
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
};

// The separators of the user's locale, read afresh from the system.
TFormatSettings RegionalFormatSettings();
// The separators of a named locale ("ru_RU"); a separator Windows-1251 cannot
// hold becomes the no-break space (any kind of space) or the default.
TFormatSettings LocaleFormatSettings(const std::string& localeName);

// The process-wide settings FormatFloat uses: taken from the user's locale on
// first use; tests and callers may overwrite them.
TFormatSettings& FormatSettings();

// Formats value by pattern (a decimal-format pattern: '0' and '#' digits, ','
// grouping, '.' decimal point, optional ";negative" subpattern, quoted literals,
// 'E0' exponent). Pattern and result are Windows-1251 text; ',' and '.' in the
// pattern always mean grouping and decimal point, the output shows the
// separators of settings. Halves round away from zero, and a value that rounds
// to zero is written without a minus sign. An unusable pattern raises
// EConvertError.
std::string FormatFloat(const std::string& pattern, double value, const TFormatSettings& settings);
std::string FormatFloat(const std::string& pattern, double value);
