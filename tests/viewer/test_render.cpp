// The headless companion program: its option parsing, its number format, and
// the built program run on small files (exit codes, point listing, picture).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "viewer/RenderTool.h"

namespace fs = std::filesystem;

TEST(RenderOptions, ParsesEachOptionOrRefusesIt)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        bool ok;
        std::string file, bits1, bits2;
    } rows[] = {
        {"file alone", {"a.log"}, true, "a.log", "0", "1"},
        {"bits as next argument", {"--bits", "3,7", "a.log"}, true, "a.log", "3", "7"},
        {"bits after equals", {"--bits=5,2", "a.log"}, true, "a.log", "5", "2"},
        {"bits taken as typed", {"--bits", "8,1", "a.log"}, true, "a.log", "8", "1"},
        {"empty first bit text", {"--bits", ",1", "a.log"}, true, "a.log", "", "1"},
        {"second comma stays in B", {"--bits", "1,2,3", "a.log"}, true, "a.log", "1", "2,3"},
        {"file before options", {"a b.log", "--points"}, true, "a b.log", "0", "1"},
        {"dash dash ends options", {"--", "--points"}, true, "--points", "0", "1"},
        {"lone dash is a file", {"-"}, true, "-", "0", "1"},
        {"no file", {"--points"}, false, "", "", ""},
        {"empty file name", {""}, false, "", "", ""},
        {"two files", {"a.log", "b.log"}, false, "", "", ""},
        {"bits without comma", {"--bits", "3", "a.log"}, false, "", "", ""},
        {"bits without value", {"a.log", "--bits"}, false, "", "", ""},
        {"unknown option", {"--colour", "a.log"}, false, "", "", ""},
        {"value on a flag", {"--points=1", "a.log"}, false, "", "", ""},
        {"png without name", {"--png=", "a.log"}, false, "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRenderParse p = ParseRenderArguments(row.args);
        EXPECT_EQ(p.Ok, row.ok) << p.Error;
        if (!p.Ok || !row.ok) {
            EXPECT_EQ(p.Ok, !!p.Error.empty());
            continue;
        }
        EXPECT_EQ(p.Options.FileName, row.file);
        EXPECT_EQ(p.Options.BitText1, row.bits1);
        EXPECT_EQ(p.Options.BitText2, row.bits2);
    }
}

TEST(RenderOptions, SizeAndZoomValues)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> args;
        bool ok;
        int w, h;
        double t0, t1;
    } rows[] = {
        {"size", {"--size", "640x480", "f"}, true, 640, 480, 0, 0},
        {"size at the limit", {"--size=16384x1", "f"}, true, 16384, 1, 0, 0},
        {"size too large", {"--size", "16385x10", "f"}, false, 0, 0, 0, 0},
        {"size zero", {"--size", "0x10", "f"}, false, 0, 0, 0, 0},
        {"size negative", {"--size", "-5x10", "f"}, false, 0, 0, 0, 0},
        {"size with blank", {"--size", "640 x480", "f"}, false, 0, 0, 0, 0},
        {"size upper-case X", {"--size", "640X480", "f"}, false, 0, 0, 0, 0},
        {"zoom", {"--zoom", "10,250.5", "f"}, true, 0, 0, 10, 250.5},
        {"zoom negative and plus", {"--zoom=-5,+1e3", "f"}, true, 0, 0, -5, 1000},
        {"zoom not a number", {"--zoom", "a,5", "f"}, false, 0, 0, 0, 0},
        {"zoom infinite", {"--zoom", "0,inf", "f"}, false, 0, 0, 0, 0},
        {"zoom one value", {"--zoom", "5", "f"}, false, 0, 0, 0, 0},
        {"zoom decimal comma", {"--zoom", "1,5,2", "f"}, false, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRenderParse p = ParseRenderArguments(row.args);
        ASSERT_EQ(p.Ok, row.ok) << p.Error;
        if (!row.ok) continue;
        EXPECT_EQ(p.Options.Width, row.w);
        EXPECT_EQ(p.Options.Height, row.h);
        EXPECT_EQ(p.Options.Zoom, row.t0 != 0 || row.t1 != 0);
        EXPECT_EQ(p.Options.ZoomFrom, row.t0);
        EXPECT_EQ(p.Options.ZoomTo, row.t1);
    }
}

TEST(RenderOptions, PointValuesReadBackExactly)
{
    struct Row
    {
        double value;
        const char* text;
    } rows[] = {
        {0, "0"},
        {150, "150"},
        {-5, "-5"},
        {1, "1"},
        {1000000, "1000000"},
        {2147483647, "2147483647"},
        {-2147483648.0, "-2147483648"},
        {0.1, "0.1"},
        {1.2, "1.2"},
        {-0.2, "-0.2"},
        {1e20, "1e+20"},
        {1e-7, "1e-07"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatPointValue(row.value), row.text);
        EXPECT_EQ(std::strtod(FormatPointValue(row.value).c_str(), nullptr), row.value);
    }
}
