// sigrok session reader: a zip holding "metadata" (sample rate, probe names, unit size) and
// the dense sample chunks "logic-1-1", "logic-1-2", ... (or one "logic-1"). Times are sample
// numbers; each probe is one bit.
#pragma once

#include <string_view>
#include <vector>

#include "formats/Import.h"

// A zip whose entries include "metadata"; a cut one is recognised by its first entries.
bool LooksLikeSigrokSession(std::string_view bytes);

TImportListing ListSigrokSession(std::string_view bytes);

TImportResult ImportSigrokSession(std::string_view bytes, const std::vector<std::string>& signals,
                                  int coarser);
