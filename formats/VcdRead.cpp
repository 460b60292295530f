#include "formats/VcdRead.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>

#include "formats/LogWriter.h"
#include "formats/VcdExport.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The dump is a stream of blank-separated tokens; only the line numbers need the lines.
class TTokens
{
public:
    explicit TTokens(std::string_view text) : FText(text) {}

    // False at the end of the text.
    bool Next(std::string_view& token, int& line)
    {
        while (FAt < FText.size() && IsBlank(FText[FAt]))
            if (FText[FAt++] == '\n') ++FLine;
        if (FAt == FText.size()) return false;
        const size_t start = FAt;
        while (FAt < FText.size() && !IsBlank(FText[FAt]))
            ++FAt;
        token = FText.substr(start, FAt - start);
        line = FLine;
        return true;
    }
    int Line() const { return FLine; }

private:
    std::string_view FText;
    size_t FAt = 0;
    int FLine = 1;
};

struct TVar
{
    std::string Path;
    std::string Code;
    int Width = 1;
    // Declared index of the lowest bit and the direction towards the highest.
    int Lsb = 0;
    int Step = 1;
    // Reals and strings hold no bits.
    bool HasBits = true;
    // Where the name starts in Path, after its scopes and their dots.
    size_t Scope = 0;

    std::string BitName(int position) const
    {
        if (Width == 1) return Path;
        return Path + "[" + std::to_string(Lsb + Step * position) + "]";
    }
};

// Where a code's value goes: the bit at Position of the value is bit Bit of the word.
struct TTap
{
    int Position = 0;
    int Bit = 0;
};

struct TCode
{
    bool HasBits = true;
    std::vector<TTap> Taps;
};

// Error texts quote what the file holds, cut so that a binary file cannot flood stderr.
std::string Quoted(std::string_view token)
{
    constexpr size_t Most = 40;
    std::string text = "'";
    text += token.substr(0, Most);
    if (token.size() > Most) text += "...";
    return text + "'";
}

bool ParseInt(std::string_view text, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// "[7:0]" or "[3]" into msb and lsb.
bool ParseRange(std::string_view text, int& msb, int& lsb)
{
    if (text.size() < 3 || text.front() != '[' || text.back() != ']') return false;
    text = text.substr(1, text.size() - 2);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        if (!ParseInt(text, msb)) return false;
        lsb = msb;
        return true;
    }
    return ParseInt(text.substr(0, colon), msb) && ParseInt(text.substr(colon + 1), lsb);
}

class TReader
{
public:
    TReader(std::string_view text, const std::vector<std::string>& signals, int coarser)
        : FTokens(text), FChosen(signals), FCoarser(coarser), FTextSize(text.size())
    {
    }

    TVcdConversion Read()
    {
        if (ReadDefinitions() && Choose()) ReadChanges();
        if (FResult.Status == TVcdStatus::Converted) {
            const std::string unit = CoarserUnit(FResult.Timescale, FCoarser);
            FResult.Loss = RoundingLoss(FRounded, unit);
            FResult.Timescale = unit;
        }
        return std::move(FResult);
    }

    TVcdDefinitions Definitions()
    {
        TVcdDefinitions listing;
        if (!ReadDefinitions()) {
            listing.Line = FResult.Line;
            listing.Reason = std::move(FResult.Reason);
            return listing;
        }
        listing.Status = TVcdStatus::Converted;
        listing.Timescale = FResult.Timescale;
        for (const TVar& var : FVars) {
            if (!var.HasBits) continue;
            TVcdVariable listed{var.Path.substr(var.Scope),
                                var.Scope ? var.Path.substr(0, var.Scope - 1) : std::string(),
                                var.Width,
                                {}};
            for (int p = 0; p < var.Width; ++p)
                listed.Bits.push_back(var.BitName(p));
            listing.Variables.push_back(std::move(listed));
        }
        return listing;
    }

private:
    bool Fail(int line, std::string reason)
    {
        FResult.Status = TVcdStatus::Malformed;
        FResult.Line = line;
        FResult.Reason = std::move(reason);
        FResult.LogText.clear();
        return false;
    }

    bool Overflow(int line, std::string_view digits)
    {
        const std::string unit = CoarserUnit(FResult.Timescale, FCoarser);
        Fail(line, "time " + Quoted(digits) + " does not fit a 32-bit time stamp" +
                       (unit.empty() ? std::string() : " in " + unit));
        FResult.Status = TVcdStatus::TimeOverflow;
        return false;
    }

    // The tokens up to the $end of the section opened by Keyword on Line.
    bool ReadSection(std::string_view keyword, int line, std::vector<std::string_view>& words)
    {
        words.clear();
        std::string_view token;
        int at = 0;
        while (FTokens.Next(token, at)) {
            if (token == "$end") return true;
            words.push_back(token);
        }
        return Fail(line, std::string(keyword) + " has no $end: the file is cut short");
    }

    bool ReadDefinitions()
    {
        std::string_view token;
        int line = 0;
        std::vector<std::string_view> words;
        while (FTokens.Next(token, line)) {
            if (token.front() != '$')
                return Fail(line, "unexpected " + Quoted(token) + " before $enddefinitions");
            if (!ReadSection(token, line, words)) return false;
            if (token == "$enddefinitions") return true;
            if (token == "$timescale") {
                std::string scale;
                for (const std::string_view word : words)
                    scale += word;
                const std::string normalised = NormaliseTimescale(scale);
                FResult.Timescale = normalised.empty() ? scale : normalised;
            } else if (token == "$scope") {
                if (words.size() < 2) return Fail(line, "$scope needs a kind and a name");
                FScopes.emplace_back(words[1]);
            } else if (token == "$upscope") {
                if (FScopes.empty()) return Fail(line, "$upscope outside any $scope");
                FScopes.pop_back();
            } else if (token == "$var") {
                if (!ReadVar(line, words)) return false;
            }
            // $comment, $date, $version and sections of later writers carry nothing we use.
        }
        return Fail(FTokens.Line(), "no $enddefinitions: the file is cut short");
    }

    bool ReadVar(int line, const std::vector<std::string_view>& words)
    {
        if (words.size() < 4) return Fail(line, "$var needs a kind, width, code and name");
        TVar var;
        constexpr int MostBits = 1 << 20;
        if (!ParseInt(words[1], var.Width) || var.Width < 1 || var.Width > MostBits)
            return Fail(line, "$var width " + Quoted(words[1]) + " is no bit count");
        var.HasBits = words[0] != "real" && words[0] != "realtime" && words[0] != "string";
        var.Code = words[2];
        std::string_view name = words[3];
        std::string_view range = words.size() > 4 ? words[4] : std::string_view();
        if (const size_t bracket = name.find('[');
            bracket != std::string_view::npos && bracket > 0 && range.empty()) {
            range = name.substr(bracket);
            name = name.substr(0, bracket);
        }
        if (!range.empty()) {
            int msb = 0;
            int lsb = 0;
            if (!ParseRange(range, msb, lsb))
                return Fail(line, "$var range " + Quoted(range) + " is not [msb:lsb]");
            const int64_t span = int64_t{msb} - lsb;
            if ((span < 0 ? -span : span) + 1 != var.Width)
                return Fail(line, "$var range " + Quoted(range) + " does not hold " +
                                      std::to_string(var.Width) + " bits");
            var.Lsb = lsb;
            var.Step = msb >= lsb ? 1 : -1;
        }
        for (const std::string& scope : FScopes)
            var.Path += scope + ".";
        var.Scope = var.Path.size();
        var.Path += name;
        FCodes[var.Code].HasBits = var.HasBits;
        FVars.push_back(std::move(var));
        return true;
    }

    void Tap(const TVar& var, int position)
    {
        const int bit = static_cast<int>(FResult.Signals.size());
        FCodes[var.Code].Taps.push_back({position, bit});
        FResult.Signals.push_back(var.BitName(position));
    }

    std::optional<std::pair<const TVar*, int>> Find(const std::string& name) const
    {
        for (const TVar& var : FVars) {
            if (!var.HasBits || name.compare(0, var.Path.size(), var.Path) != 0) continue;
            if (var.Width == 1 && name.size() == var.Path.size()) return {{&var, 0}};
            const std::string_view index = std::string_view(name).substr(var.Path.size());
            int declared = 0;
            if (var.Width == 1 || index.size() < 3 || index.front() != '[' || index.back() != ']' ||
                !ParseInt(index.substr(1, index.size() - 2), declared))
                continue;
            const int64_t position = (int64_t{declared} - var.Lsb) * var.Step;
            if (position >= 0 && position < var.Width) return {{&var, static_cast<int>(position)}};
        }
        return std::nullopt;
    }

    bool Choose()
    {
        if (FChosen.empty()) {
            for (const TVar& var : FVars)
                for (int p = 0;
                     var.HasBits && p < var.Width && FResult.Signals.size() < size_t{MaxVcdSignals};
                     ++p)
                    Tap(var, p);
            return true;
        }
        for (const std::string& name : FChosen) {
            const auto found = Find(name);
            if (!found || FResult.Signals.size() >= size_t{MaxVcdSignals}) {
                FResult.Status = TVcdStatus::UnknownSignal;
                FResult.Reason =
                    found ? "more than 32 signals named" : "no signal " + name + " in the file";
                return false;
            }
            Tap(*found->first, found->second);
        }
        return true;
    }

    // Value is the digits, most significant first; a short value is extended to the left
    // with 0, or with x or z when it starts with one.
    bool Apply(int line, std::string_view value, std::string_view code)
    {
        TCode* found =
            code.size() == 1 ? FShortCodes[static_cast<unsigned char>(code[0])] : nullptr;
        if (found == nullptr) {
            const auto it = FCodes.find(code);
            if (it == FCodes.end()) return Fail(line, "unknown identifier code " + Quoted(code));
            found = &it->second;
        }
        for (const char c : value)
            if (c != '0' && c != '1' && c != 'x' && c != 'X' && c != 'z' && c != 'Z')
                return Fail(line, "bad value " + Quoted(value) + " for " + Quoted(code));
        if (value.empty()) return Fail(line, "empty value for " + Quoted(code));
        const char fill = value.front() == '1' ? '0' : value.front();
        for (const TTap& tap : found->Taps) {
            const size_t p = static_cast<size_t>(tap.Position);
            const char c = p < value.size() ? value[value.size() - 1 - p] : fill;
            const uint32_t mask = uint32_t{1} << tap.Bit;
            if (c == '1') {
                FWord |= mask;
            } else {
                FWord &= ~mask;
                if (c != '0') ++FResult.UnknownValues;
            }
        }
        return true;
    }

    bool ReadTime(int line, std::string_view digits)
    {
        bool digitsOnly = !digits.empty();
        for (const char c : digits)
            digitsOnly = digitsOnly && c >= '0' && c <= '9';
        if (!digitsOnly) return Fail(line, "bad time " + Quoted(digits));
        // Kept exact as text: a time beyond 64 bits still gets the overflow answer, so the
        // caller can try a coarser unit.
        int64_t next = 0;
        bool rounded = false;
        const bool fits = ScaleDigits(digits, FCoarser, next, rounded);
        // Compared as written: in a coarser unit a step back within one unit would vanish.
        const std::string_view value =
            digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
        if (FHaveTime && (value.size() < FLastDigits.size() ||
                          (value.size() == FLastDigits.size() && value < FLastDigits)))
            return Fail(line, "time " + std::string(value.empty() ? "0" : value) +
                                  " goes back from " +
                                  std::string(FLastDigits.empty() ? "0" : FLastDigits));
        FLastDigits = value;
        // A line holds the word as it stands once every change at its time is read.
        if (FHaveTime && (!fits || next != FTime) && !FWriter.Add(FTime, FWord)) return false;
        if (!fits || next > INT32_MAX) return Overflow(line, digits);
        FRounded += rounded ? 1 : 0;
        FHaveTime = true;
        FTime = next;
        return true;
    }

    bool ReadChanges()
    {
        // Most dumps name their signals by one character: those are found without hashing.
        for (auto& [code, entry] : FCodes)
            if (code.size() == 1) FShortCodes[static_cast<unsigned char>(code[0])] = &entry;
        // A log line is no longer than the changes it comes from; pages never written are
        // never taken.
        FResult.LogText.reserve(FTextSize);
        std::string_view token;
        int line = 0;
        std::vector<std::string_view> words;
        while (FTokens.Next(token, line)) {
            const char kind = token.front();
            if (kind == '#') {
                if (!ReadTime(line, token.substr(1))) return false;
            } else if (kind == '$') {
                if (token == "$comment") {
                    if (!ReadSection(token, line, words)) return false;
                } else if (token != "$dumpvars" && token != "$dumpall" && token != "$dumpon" &&
                           token != "$dumpoff" && token != "$end") {
                    return Fail(line, "unexpected " + Quoted(token) + " after $enddefinitions");
                }
                // The dump sections' changes are read as any other; a dump turned off lists
                // its values as x.
            } else if (kind == 'b' || kind == 'B' || kind == 'r' || kind == 'R' || kind == 's' ||
                       kind == 'S') {
                std::string_view code;
                int codeLine = 0;
                if (!FTokens.Next(code, codeLine))
                    return Fail(line, "value " + Quoted(token) + " has no identifier code");
                if (kind == 'b' || kind == 'B') {
                    if (!Apply(line, token.substr(1), code)) return false;
                } else {
                    if (FCodes.find(code) == FCodes.end())
                        return Fail(line, "unknown identifier code " + Quoted(code));
                    ++FResult.SkippedValues;
                }
            } else if (token.size() >= 2 && (kind == '0' || kind == '1' || kind == 'x' ||
                                             kind == 'X' || kind == 'z' || kind == 'Z')) {
                if (!Apply(line, token.substr(0, 1), token.substr(1))) return false;
            } else {
                return Fail(line, "bad value change " + Quoted(token));
            }
        }
        if (FHaveTime) FWriter.Add(FTime, FWord);
        FWriter.Finish();
        FResult.Status = TVcdStatus::Converted;
        return true;
    }

    TTokens FTokens;
    const std::vector<std::string>& FChosen;
    TVcdConversion FResult;
    std::vector<std::string> FScopes;
    std::vector<TVar> FVars;
    // Looked up by the file's own bytes: a change costs no string of its own.
    struct TCodeHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view code) const
        {
            return std::hash<std::string_view>()(code);
        }
    };
    std::unordered_map<std::string, TCode, TCodeHash, std::equal_to<>> FCodes;
    std::array<TCode*, 256> FShortCodes{};
    uint32_t FWord = 0;
    int FCoarser = 0;
    size_t FTextSize = 0;
    TLogWriter FWriter{FResult.LogText};
    int64_t FRounded = 0;
    std::string_view FLastDigits;
    bool FHaveTime = false;
    int64_t FTime = 0;
};

} // namespace

bool LooksLikeVcd(std::string_view text)
{
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at < text.size() && text[at] == '$';
}

TVcdConversion ReadVcd(std::string_view text, const std::vector<std::string>& signals, int coarser)
{
    return TReader(text, signals, coarser).Read();
}

TVcdDefinitions ReadVcdDefinitions(std::string_view text)
{
    return TReader(text, {}, 0).Definitions();
}
