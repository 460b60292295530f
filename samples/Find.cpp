#include "samples/Find.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace {

bool ReadWhole(std::string_view text, int64_t high, int64_t& value)
{
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value <= high;
}

// The largest distance between two 32-bit times; a bound beyond it would mean nothing.
constexpr int64_t MaxSpan = 4294967295;

// Reads "key=value,key=value" for one query kind, naming the kind and key in each error.
class TKeyReader
{
public:
    TKeyReader(std::string_view kind, std::string& error) : FKind(kind), FError(error) {}

    bool Fail(std::string_view key, const std::string& reason)
    {
        FError = std::string(FKind) + ": " + std::string(key) + ": " + reason;
        return false;
    }
    bool Bad(std::string_view key, std::string_view value, const char* expected)
    {
        return Fail(key, "bad value '" + std::string(value) + "', expected " + expected);
    }
    // Calls Take(key, value) for every pair, refusing repeated keys and missing '='.
    template <class F> bool Read(std::string_view list, F take)
    {
        if (list.empty()) return FailWhole("no settings given");
        while (true) {
            const size_t comma = list.find(',');
            const std::string_view pair = list.substr(0, comma);
            const size_t eq = pair.find('=');
            if (eq == std::string_view::npos)
                return FailWhole("'" + std::string(pair) + "' is no key=value");
            const std::string_view key = pair.substr(0, eq);
            if (!FKeys.insert(std::string(key)).second) return Fail(key, "repeated key");
            if (!take(key, pair.substr(eq + 1))) return false;
            if (comma == std::string_view::npos) return true;
            list.remove_prefix(comma + 1);
        }
    }
    bool Has(std::string_view key) const { return FKeys.count(std::string(key)) != 0; }
    bool Require(std::string_view key) { return Has(key) ? true : Fail(key, "missing"); }
    bool FailWhole(const std::string& reason)
    {
        FError = std::string(FKind) + ": " + reason;
        return false;
    }

private:
    std::string_view FKind;
    std::string& FError;
    std::set<std::string> FKeys;
};

bool ReadBit(TKeyReader& reader, std::string_view key, std::string_view value, int& bit)
{
    int64_t number = 0;
    if (!ReadWhole(value, 31, number)) return reader.Bad(key, value, "a bit number 0 to 31");
    bit = static_cast<int>(number);
    return true;
}

bool ReadSpan(TKeyReader& reader, std::string_view key, std::string_view value, int64_t& span)
{
    if (!ReadWhole(value, MaxSpan, span))
        return reader.Bad(key, value, "a whole time 0 to 4294967295 in the log's units");
    return true;
}

bool ParsePulse(std::string_view list, TFindQuery& q, std::string& error)
{
    TKeyReader reader("pulse", error);
    const bool read = reader.Read(list, [&](std::string_view key, std::string_view value) {
        if (key == "bit") return ReadBit(reader, key, value, q.Bit);
        if (key == "level") {
            if (value != "high" && value != "low") return reader.Bad(key, value, "high or low");
            q.Level = value == "high" ? 1 : 0;
            return true;
        }
        if (key == "shorter") return q.HasShorter = ReadSpan(reader, key, value, q.Shorter);
        if (key == "longer") return q.HasLonger = ReadSpan(reader, key, value, q.Longer);
        return reader.Fail(key, "unknown key");
    });
    if (!read || !reader.Require("bit") || !reader.Require("level")) return false;
    // Then every width is below one bound or above the other: a slip, not a wish for all.
    if (q.HasShorter && q.HasLonger && q.Shorter > q.Longer)
        return reader.FailWhole("shorter above longer would match every pulse");
    return true;
}

bool ParseEdge(std::string_view list, TFindQuery& q, std::string& error)
{
    TKeyReader reader("edge", error);
    const bool read = reader.Read(list, [&](std::string_view key, std::string_view value) {
        if (key == "bit") return ReadBit(reader, key, value, q.Bit);
        if (key == "dir") {
            if (value == "rise")
                q.Direction = TEdgeDirection::Rise;
            else if (value == "fall")
                q.Direction = TEdgeDirection::Fall;
            else if (value == "any")
                q.Direction = TEdgeDirection::Any;
            else
                return reader.Bad(key, value, "rise, fall or any");
            return true;
        }
        return reader.Fail(key, "unknown key");
    });
    return read && reader.Require("bit");
}

bool ParseGap(std::string_view list, TFindQuery& q, std::string& error)
{
    TKeyReader reader("gap", error);
    const bool read = reader.Read(list, [&](std::string_view key, std::string_view value) {
        if (key == "longer") return ReadSpan(reader, key, value, q.Longer);
        return reader.Fail(key, "unknown key");
    });
    q.HasLonger = true;
    return read && reader.Require("longer");
}

bool ParseWord(std::string_view pattern, TFindQuery& q, std::string& error)
{
    if (pattern.empty()) {
        error = "word: no pattern given";
        return false;
    }
    if (pattern.size() > 32) {
        error = "word: the pattern has " + std::to_string(pattern.size()) +
                " characters, at most 32 (one a bit)";
        return false;
    }
    for (const char c : pattern) {
        if (c != '0' && c != '1' && c != 'x' && c != 'X') {
            error = std::string("word: '") + c + "' in the pattern is none of 0, 1 and x";
            return false;
        }
        q.Mask <<= 1;
        q.Value <<= 1;
        if (c == 'x' || c == 'X') continue;
        q.Mask |= 1;
        q.Value |= c == '1' ? 1u : 0u;
    }
    return true;
}

} // namespace

bool ParseFindQuery(std::string_view text, TFindQuery& query, std::string& error)
{
    query = TFindQuery();
    error.clear();
    const size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    bool ok = false;
    if (colon == std::string_view::npos) {
        error = "'" + std::string(text) + "' has no kind: pulse:, edge:, word: or gap:";
    } else if (kind == "pulse") {
        query.Kind = TFindKind::Pulse;
        ok = ParsePulse(rest, query, error);
    } else if (kind == "edge") {
        query.Kind = TFindKind::Edge;
        ok = ParseEdge(rest, query, error);
    } else if (kind == "word") {
        query.Kind = TFindKind::Word;
        ok = ParseWord(rest, query, error);
    } else if (kind == "gap") {
        query.Kind = TFindKind::Gap;
        ok = ParseGap(rest, query, error);
    } else {
        error = "unknown kind '" + std::string(kind) + "': pulse, edge, word or gap";
    }
    if (!ok) query = TFindQuery();
    return ok;
}

std::vector<TFindMatch> FindMatches(const TSampleModel& model, int samples, const TFindQuery& query)
{
    samples = std::clamp(samples, 0, model.SampleCount());
    const std::vector<int> order = model.TimeOrder(samples);
    // Empty when the times already ascend: then rank and sample are one.
    auto at = [&order](int rank) {
        return order.empty() ? rank : order[static_cast<size_t>(rank)];
    };
    auto match = [&model](int sample, int32_t start, int32_t end) {
        return TFindMatch{model.LineOfSample(sample), start, end};
    };
    std::vector<TFindMatch> found;
    switch (query.Kind) {
    case TFindKind::Word:
        for (int rank = 0; rank < samples; ++rank) {
            const int s = at(rank);
            if ((model.Word(s) & query.Mask) == query.Value)
                found.push_back(match(s, model.Time(s), model.Time(s)));
        }
        break;
    case TFindKind::Gap:
        for (int rank = 1; rank < samples; ++rank) {
            const int before = at(rank - 1);
            const int s = at(rank);
            if (int64_t{model.Time(s)} - model.Time(before) > query.Longer)
                found.push_back(match(before, model.Time(before), model.Time(s)));
        }
        break;
    case TFindKind::Edge:
    case TFindKind::Pulse: {
        const bool edges = query.Kind == TFindKind::Edge;
        // The pulse's starting sample, or -1 while none is open.
        int open = -1;
        for (int rank = 1; rank < samples; ++rank) {
            const int s = at(rank);
            const int level = model.Bit(s, query.Bit);
            if (level == model.Bit(at(rank - 1), query.Bit)) continue;
            if (edges) {
                if (query.Direction == TEdgeDirection::Any ||
                    (query.Direction == TEdgeDirection::Rise) == (level == 1))
                    found.push_back(match(s, model.Time(s), model.Time(s)));
                continue;
            }
            if (level == query.Level) {
                open = s;
                continue;
            }
            if (open < 0) continue;
            const int64_t width = int64_t{model.Time(s)} - model.Time(open);
            const bool all = !query.HasShorter && !query.HasLonger;
            if (all || (query.HasShorter && width < query.Shorter) ||
                (query.HasLonger && width > query.Longer))
                found.push_back(match(open, model.Time(open), model.Time(s)));
            open = -1;
        }
        break;
    }
    }
    return found;
}
