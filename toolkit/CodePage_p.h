// Windows-1251 conversions for the toolkit's Qt side: tables built once from the
// platform's converter, so bulk text (the text view) converts without per-call setup.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString Cp1251ToQString(std::string_view text);
// A character without a cp1251 byte becomes "?" (a surrogate pair gives one "?").
// With ParagraphsAsCrLf, the text document's paragraph and line separators and LF
// each become CR LF.
std::string QStringToCp1251(const QString& text, bool paragraphsAsCrLf = false);
// Text with every character that has no cp1251 byte (and NUL) replaced by "?".
QString SanitizeForCp1251(const QString& text);
// Whether Ch has a byte of its own in cp1251.
bool IsCp1251Char(QChar ch);

// File names: the file system's bytes to Qt's name and back (QFile's own rule).
QString FileNameToQString(const std::string& fileName);
std::string QStringToFileName(const QString& name);
// Whether Qt's name for FileName gives the same bytes back, so a Qt call reaches
// that very file and no other.
bool FileNameSurvivesQt(const std::string& fileName);
// Cp1251 Text holding FileName's bytes verbatim (the last place they occur): the
// name shown as the file system names it, the rest as cp1251 text.
QString TextWithFileName(const std::string& text, const std::string& fileName);
