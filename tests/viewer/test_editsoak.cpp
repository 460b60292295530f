// Seeded editing in the main window's text view with everything the window joins to it
// attached (the wave link, both charts, the bit fields, "Repaint"): thousands of random
// gestures as real input events. After each one the text must equal a plain string model
// of what the gesture does, and the charts' marker must stand at the caret line's time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "samples/SampleLine.h"
#include "tests/common/MainWindowFixture.h"
#include "tests/common/TextModel.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

// The time of a sample line as the charts would take it, or false.
bool LineTime(std::string_view line, double& time)
{
    const TSampleLineRead read = ReadSampleLine(line);
    time = read.Time;
    return read.IsSample();
}

// Where two texts part, with a little of each around it.
std::string Difference(const std::string& got, const std::string& want)
{
    const size_t at = static_cast<size_t>(
        std::mismatch(got.begin(), got.begin() + std::min(got.size(), want.size()), want.begin())
            .first -
        got.begin());
    const size_t from = at > 20 ? at - 20 : 0;
    return "the text parts from the model at offset " + std::to_string(at) + ": \"" +
           got.substr(from, 60) + "\" instead of \"" + want.substr(from, 60) + "\"";
}

size_t OffsetIn(const std::vector<std::string>& lines, TTextPos pos)
{
    size_t offset = 0;
    for (size_t i = 0; i < pos.Line; ++i)
        offset += lines[i].size() + 2;
    return offset + pos.Column;
}

// The text, what it looked like after every edit still undoable, and what undo took away.
struct TModel
{
    std::string Text;
    std::vector<std::string> Undone;
    std::vector<std::string> Past;
    std::string Clipboard;

    void Edit(std::string text)
    {
        if (text == Text) return;
        Past.push_back(std::move(Text));
        Text = std::move(text);
        Undone.clear();
    }
};

std::string SampleText(size_t lines, std::mt19937& random)
{
    std::string text;
    long time = 0;
    for (size_t i = 0; i < lines; ++i) {
        time += 1 + static_cast<long>(random() % 20);
        text += std::to_string(time) + ":" + std::to_string(random() % 100) + "\r\n";
    }
    return text;
}

class EditSoak : public ShownMainWindow, public ::testing::WithParamInterface<size_t>
{
};

TEST_P(EditSoak, TextFollowsTheModelAndTheMarkerTheCaret)
{
    std::mt19937 random(static_cast<unsigned>(20261208 + GetParam()));
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    Form1->Button2->Show();
    TMemo* memo = Form1->Memo1;
    TModel model;
    model.Text = SampleText(GetParam(), random);
    memo->SetText(model.Text);
    Form1->Button2->Click();
    // The clipboard is the process's: what an earlier test left in it is replaced.
    SimShortCut(memo, ShortCut('A', ssCtrl));
    SimShortCut(memo, ShortCut('C', ssCtrl));
    model.Clipboard = model.Text;
    SimKeyPress(memo, vkHome, ssCtrl);
    DataModified = 0;
    ProcessEvents();
    // A build with no edit after it, and a caret moved since: the marker must follow it.
    bool built = true;
    bool caretMoved = false;
    const std::string typed = "0123456789abcdef:x ";
#ifdef __SANITIZE_ADDRESS__
    // Each step compares the whole text: the long one takes fewer under the sanitizers.
    const int steps = GetParam() > 100 ? 400 : 1200;
#else
    const int steps = 2500;
#endif
    for (int step = 0; step < steps; ++step) {
        const TTextPos caretBefore = memo->CaretPos();
        const std::vector<std::string> lines = ModelLines(model.Text);
        const size_t a = OffsetIn(lines, std::min(caretBefore, memo->AnchorPos()));
        const size_t b = OffsetIn(lines, std::max(caretBefore, memo->AnchorPos()));
        const bool selection = a != b;
        const std::string before = model.Text;
        std::string next = model.Text;
        // Edits, moves and builds in proportions that keep the text long and the marker
        // often shown; a text cut short by select-all and a key is mostly undone.
        static constexpr int weights[] = {12, 6, 6, 3, 5, 5, 2, 3, 2, 3, 4,
                                          3,  9, 9, 6, 4, 3, 2, 2, 6, 2, 3};
        int kind = 0;
        for (int roll = pick(100); roll >= weights[kind]; ++kind)
            roll -= weights[kind];
        if (lines.size() < GetParam() / 4 && pick(2) == 0) kind = 10;
        SCOPED_TRACE("step " + std::to_string(step) + ", gesture " + std::to_string(kind));
        bool undo = false;
        bool redo = false;
        switch (kind) {
        case 0:
        case 1:
        case 2: {
            const std::string text(1, typed[static_cast<size_t>(pick(int(typed.size())))]);
            SimTypeText(memo, text);
            next.replace(a, b - a, text);
            break;
        }
        case 3:
            SimKeyPress(memo, vkReturn);
            next.replace(a, b - a, "\r\n");
            break;
        case 4:
            SimKeyPress(memo, vkBack);
            if (selection)
                next.erase(a, b - a);
            else if (a > 0) {
                const size_t n = a >= 2 && next.compare(a - 2, 2, "\r\n") == 0 ? 2 : 1;
                next.erase(a - n, n);
            }
            break;
        case 5:
            SimKeyPress(memo, vkDelete);
            if (selection)
                next.erase(a, b - a);
            else if (a < next.size())
                next.erase(a, next.compare(a, 2, "\r\n") == 0 ? 2 : 1);
            break;
        case 6:
            SimShortCut(memo, ShortCut('A', ssCtrl));
            break;
        case 7:
            SimShortCut(memo, ShortCut('C', ssCtrl));
            if (selection) model.Clipboard = next.substr(a, b - a);
            break;
        case 8:
            SimShortCut(memo, ShortCut('X', ssCtrl));
            if (selection) {
                model.Clipboard = next.substr(a, b - a);
                next.erase(a, b - a);
            }
            break;
        case 9:
            SimShortCut(memo, ShortCut('V', ssCtrl));
            if (!model.Clipboard.empty()) next.replace(a, b - a, model.Clipboard);
            break;
        case 10:
            SimShortCut(memo, ShortCut('Z', ssCtrl));
            undo = true;
            break;
        case 11:
            SimShortCut(memo, ShortCut('Y', ssCtrl));
            redo = true;
            break;
        case 12:
        case 13: {
            const TTestKey keys[] = {vkLeft, vkRight, vkUp, vkDown, vkHome, vkEnd};
            const TShiftState shifts[] = {0, ssShift, ssCtrl, ssShift | ssCtrl};
            SimKeyPress(memo, keys[pick(6)], shifts[pick(4)]);
            break;
        }
        case 14:
            SimMouseDown(memo, mbLeft, pick(4) == 0 ? ssShift : 0, pick(memo->Width()),
                         pick(memo->Height()));
            SimMouseUp(memo, mbLeft, 0, pick(memo->Width()), pick(memo->Height()));
            break;
        case 15: {
            // A drag from a place without a selection: it selects.
            SimKeyPress(memo, vkRight);
            SimMouseDown(memo, mbLeft, 0, pick(memo->Width()), pick(memo->Height()));
            for (int i = pick(3); i >= 0; --i)
                SimMouseMove(memo, 0, pick(memo->Width()), pick(memo->Height() + 40) - 20);
            SimMouseUp(memo, mbLeft, 0, pick(memo->Width()), pick(memo->Height()));
            break;
        }
        case 16:
            SimDoubleClick(memo, mbLeft, 0, pick(memo->Width()), pick(memo->Height()));
            break;
        case 17:
            SimMouseWheel(memo, pick(7) - 3, 0, 5, 5);
            break;
        case 18:
            Form1->SetClientWidth(700 + pick(500));
            Form1->SetClientHeight(250 + pick(500));
            break;
        case 19:
            SimShortCut(memo, ShortCut(VK_F5, 0));
            built = true;
            caretMoved = false;
            break;
        case 20: {
            // Bit 8 is no bit: the build fails on the first line, blaming no line.
            TEdit* edit = pick(2) == 0 ? Form1->Edit1 : Form1->Edit2;
            const std::string bit = std::to_string(pick(9));
            if (edit->Text() != bit) {
                edit->SetText(bit);
                built = true;
                caretMoved = false;
            }
            break;
        }
        default:
            SimKeyPress(memo, pick(2) == 0 ? vkNext : vkPrior, pick(2) == 0 ? ssShift : 0);
            break;
        }
        ProcessEvents();
        const std::string now = memo->Text();
        if (undo || redo) {
            // Back (or forth again) to a text the edits had passed through.
            std::vector<std::string>& from = undo ? model.Past : model.Undone;
            std::vector<std::string>& to = undo ? model.Undone : model.Past;
            if (now != model.Text) {
                const auto it = std::find(from.rbegin(), from.rend(), now);
                ASSERT_NE(it, from.rend()) << (undo ? "undo" : "redo") << " gave a text never seen";
                const auto at = it.base() - 1;
                to.push_back(model.Text);
                for (auto i = from.end() - 1; i > at; --i)
                    to.push_back(*i);
                from.erase(at, from.end());
                model.Text = now;
            }
        } else {
            ASSERT_TRUE(now == next) << Difference(now, next);
            model.Edit(std::move(next));
        }
        if (now != before) built = false;
        const TTextPos caret = memo->CaretPos();
        if (caret != caretBefore) caretMoved = true;
        const std::vector<std::string> after = ModelLines(now);
        ASSERT_LT(caret.Line, after.size());
        ASSERT_LE(caret.Column, after[caret.Line].size());
        double time = 0;
        const bool sample = caret.Line < after.size() && LineTime(after[caret.Line], time);
        for (TChart* chart : {Form1->Chart1, Form1->Chart2}) {
            if (!built) {
                EXPECT_FALSE(chart->MarkerVisible()) << "a marker on an edited text";
            } else if (caretMoved) {
                EXPECT_EQ(chart->MarkerVisible(), sample) << "caret line " << caret.Line;
                if (sample && chart->MarkerVisible()) {
                    EXPECT_EQ(chart->MarkerValue(), time);
                }
            }
        }
        if (HasFailure()) return;
    }
}

// A few lines, and more than the two thousand above which select-all then a key once
// brought the window down.
INSTANTIATE_TEST_SUITE_P(Sizes, EditSoak, ::testing::Values(size_t{12}, size_t{3000}));

} // namespace
