// The system's 8-bit text is Windows-1251; these convert it at the platform boundary.
// File names are cp1251 bytes as well: the toolkit decodes them to Unicode and Qt
// writes them in the file system's encoding (UTF-8), so a name holding a character
// that cp1251 lacks cannot be given (dialogs hand it back with "?").
#pragma once

#include <string>
#include <string_view>

// Every byte has a Unicode character, so this never fails.
std::string Cp1251ToUtf8(std::string_view text);
// A character without a cp1251 byte becomes "?"; malformed UTF-8 likewise.
std::string Utf8ToCp1251(std::string_view text);
// Fails loudly (message on stderr, abort) when the converter is missing; called once
// at start-up, conversions call it lazily too.
void CheckCodePageSupport();
