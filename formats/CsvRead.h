// CSV as logic analyzers export it: comment lines (";" or "#"), a header, then rows of a time
// (seconds, the unit the header names, or sample numbers; no time column: the row number)
// and either one 0/1 column per channel or a hexadecimal or decimal bus column.
#pragma once

#include <string_view>
#include <vector>

#include "formats/Import.h"

// Whether the first line that is not blank reads as a log's sample line.
bool StartsWithSampleLine(std::string_view bytes);

// Comment lines, then a header and a row split into as many fields by "," or ";".
bool LooksLikeCsv(std::string_view bytes);

TImportListing ListCsv(std::string_view bytes);

TImportResult ImportCsv(std::string_view bytes, const std::vector<std::string>& signals,
                        int coarser);
