// Private side of the file dialogs: how a filter reaches Qt's file dialog.
#pragma once

#include <QStringList>
#include <string>

// "desc|pattern|desc|pattern" (cp1251) -> Qt's "desc (pattern pattern)" entries; ";"
// separates several patterns of one entry, and "*.*" stands for every file.
QStringList NameFilters(const std::string& filter);
