// The system's 8-bit text is Windows-1251; these convert it at the platform boundary.
// File names are not text: they travel as the file system's own bytes, and only where
// one is shown (a caption, a message) is it decoded, with the file system's rule.
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

// A file name's bytes as a person reads them (UTF-8 for the terminal), for messages
// that go to stderr; cp1251 Text around the name is converted as text.
std::string TextWithFileNameToUtf8(const std::string& text, const std::string& fileName);
