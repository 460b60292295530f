// The text buffer's plain model, shared by its test and its fuzz target: a std::string
// with CR LF breaks, its lines and the break rule of inserted text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a CR LF text as an editor shows them: "" is one empty line.
inline std::vector<std::string> ModelLines(std::string_view text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// Every lone CR, lone LF and CR LF of In as one CR LF break.
inline std::string ModelNormalise(std::string_view in)
{
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' || in[i] == '\n') {
            out += "\r\n";
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else {
            out += in[i];
        }
    }
    return out;
}
