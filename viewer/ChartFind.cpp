#include "viewer/ChartFind.h"

#include <algorithm>
#include <cstdint>

#include "samples/Find.h"
#include "toolkit/Dialogs.h"
#include "viewer/FindMeasure.h"

namespace {

const char* const Directions[] = {"next", "previous"};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The values as the query the find bar and --find read, so that both refuse a value with
// the same words. A comma would smuggle in a setting of its own.
std::string QueryText(bool pulse, const std::vector<std::string>& values, std::string& error)
{
    error.clear();
    std::vector<std::string> v;
    for (const std::string& value : values) {
        v.push_back(Trim(value));
        if (v.back().find(',') != std::string::npos)
            error = "'" + v.back() + "' holds a comma: one value a field";
    }
    if (!error.empty()) return std::string();
    if (v.size() < (pulse ? 4u : 1u)) {
        error = "a field is missing";
        return std::string();
    }
    std::string query;
    if (pulse) {
        query = "pulse:bit=" + v[0] + ",level=" + v[1];
        if (!v[2].empty()) query += ",shorter=" + v[2];
        if (!v[3].empty()) query += ",longer=" + v[3];
    } else {
        query = "word:" + v[0];
    }
    TFindQuery parsed;
    ParseFindQuery(query, parsed, error);
    return query;
}

bool Backwards(const std::string& direction)
{
    return Trim(direction) == Directions[1];
}

} // namespace

std::vector<TMenuItem> TChartFind::MenuItems(int chart)
{
    const bool built = FFind->ChartBit(chart) >= 0;
    std::vector<TMenuItem> items;
    items.push_back({"-", nullptr});
    items.push_back({"Find pulse...", [this, chart](TObject*) { AskPulse(chart); }, built});
    items.push_back({"Find word...", [this, chart](TObject*) { AskWord(chart); }, built});
    if (FFind->HasSearch()) {
        TFindMeasure* find = FFind;
        items.push_back({"Next match\tF3", [find](TObject*) { find->FindNext(false); }});
        items.push_back({"Previous match\tShift+F3", [find](TObject*) { find->FindNext(true); }});
    }
    return items;
}

bool TChartFind::AskPulse(int chart)
{
    const std::vector<std::string> directions(std::begin(Directions), std::end(Directions));
    TFieldsDialogRequest request;
    request.Title = "Find pulse";
    request.Fields = {{"bit", std::to_string(std::max(FFind->ChartBit(chart), 0)), {}, false},
                      {"level", FLevel, {"high", "low"}, false},
                      {"shorter than", FShorter, {}, false},
                      {"longer than", FLonger, {}, false},
                      {"direction", FDirection, directions, false}};
    request.Check = [](const std::vector<std::string>& values) {
        std::string error;
        QueryText(true, values, error);
        return error;
    };
    std::vector<std::string> values;
    if (!ExecuteFieldsDialog(request, values) || values.size() != request.Fields.size())
        return false;
    std::string error;
    const std::string query = QueryText(true, values, error);
    if (!error.empty()) return false;
    FLevel = Trim(values[1]);
    FShorter = Trim(values[2]);
    FLonger = Trim(values[3]);
    FDirection = Trim(values[4]);
    return FFind->FindEvents(query, Backwards(values[4]));
}

bool TChartFind::AskWord(int chart)
{
    // The caret's word offers "another sample like this one"; without one, the chart's
    // bit high and the rest free.
    const int bit = std::max(FFind->ChartBit(chart), 0);
    std::string pattern = "1" + std::string(static_cast<size_t>(bit), 'x');
    uint32_t word = 0;
    if (FFind->CaretWord(word)) {
        pattern.clear();
        for (int b = 31; b >= 0; --b)
            if (!pattern.empty() || b <= bit || ((word >> b) & 1u) != 0)
                pattern += ((word >> b) & 1u) != 0 ? '1' : '0';
    }
    const std::vector<std::string> directions(std::begin(Directions), std::end(Directions));
    TFieldsDialogRequest request;
    request.Title = "Find word";
    request.Fields = {{"pattern (0, 1, x; bit 0 last)", pattern, {}, false},
                      {"direction", FDirection, directions, false}};
    request.Check = [](const std::vector<std::string>& values) {
        std::string error;
        QueryText(false, values, error);
        return error;
    };
    std::vector<std::string> values;
    if (!ExecuteFieldsDialog(request, values) || values.size() != request.Fields.size())
        return false;
    std::string error;
    const std::string query = QueryText(false, values, error);
    if (!error.empty()) return false;
    FDirection = Trim(values[1]);
    return FFind->FindEvents(query, Backwards(values[1]));
}
