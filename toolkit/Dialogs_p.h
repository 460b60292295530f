// Private side of the file dialogs: how a filter reaches Qt's file dialog.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

// "desc|pattern|desc|pattern" (cp1251) -> Qt's "desc (pattern pattern)" entries; ";"
// separates several patterns of one entry, and "*.*" stands for every file.
QStringList NameFilters(const std::string& filter);

struct TFieldsDialogRequest;
struct TMenuRequest;
struct TPickListRequest;

// The platform's windows for the provider's settings dialog, context menu and pick list
// (see TDialogProvider). The widgets carry object names ("field0".., "rows", "note") so
// tests and accessibility tools find them.
bool RunFieldsDialog(const TFieldsDialogRequest& request, std::vector<std::string>& values);
int RunMenu(const TMenuRequest& request);
bool RunPickList(const TPickListRequest& request, std::vector<int>& chosen);
