// The row-by-row list on a shown form, driven by real clicks and keys: what it asks of
// OnData, which gestures choose a row, and where the program's selection scrolls it.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QHeaderView>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "toolkit/ComCtrls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"
#include "toolkit/TestSupport.h"

namespace {

class ListViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form.SetBounds(0, 0, 300, 240);
        list = new TListView(&form);
        list->SetParent(&form);
        list->SetAlign(alClient);
        list->SetColumns({"Time", "\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5"}); // "Значение"
        list->OnData = [this](int row, int column) {
            asked.insert(row);
            ++calls;
            return std::to_string(row) + (column == 0 ? " s" : suffix);
        };
        list->OnSelectRow = [this](TObject* sender, int row) {
            EXPECT_EQ(sender, list);
            chosen.push_back(row);
        };
        form.Show();
        ProcessEvents();
    }

    // Paints the list now, as the screen would show it.
    void Show() { (void)View()->grab(); }
    QAbstractItemView* View() const { return static_cast<QAbstractItemView*>(ControlWidget(list)); }
    QString Cell(int row, int column) const
    {
        return View()->model()->data(View()->model()->index(row, column)).toString();
    }
    void Click(int row)
    {
        const TRect r = ListViewRowRect(list, row);
        SimMouseDown(list, mbLeft, 0, r.Left + 5, (r.Top + r.Bottom) / 2);
        SimMouseUp(list, mbLeft, 0, r.Left + 5, (r.Top + r.Bottom) / 2);
    }
    bool RowShown(int row) const
    {
        const TRect r = ListViewRowRect(list, row);
        const TRect area = ListViewRowsArea(list);
        return !r.IsEmpty() && r.Top >= area.Top && r.Bottom <= area.Bottom;
    }

    TForm form;
    TListView* list = nullptr;
    std::set<int> asked;
    int calls = 0;
    std::string suffix = " v";
    std::vector<int> chosen;
};

TEST_F(ListViewTest, AMillionRowsAskOnlyForTheRowsOnTheScreen)
{
    QElapsedTimer timer;
    timer.start();
    list->SetRowCount(1'000'000);
    const qint64 setMs = timer.elapsed();
    EXPECT_TRUE(asked.empty());
    Show();
    const qint64 shownMs = timer.elapsed();
    const TRect area = ListViewRowsArea(list);
    const int rowHeight = ListViewRowRect(list, 0).Height();
    ASSERT_GT(rowHeight, 0);
    const int screenful = area.Height() / rowHeight + 1;
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(*asked.begin(), 0);
    EXPECT_LE(static_cast<int>(asked.size()), screenful);
    EXPECT_LE(*asked.rbegin(), screenful);
    std::cout << "1e6 rows: set " << setMs << " ms, first paint " << shownMs - setMs << " ms, "
              << asked.size() << " rows asked (" << calls << " calls)\n";

    // The last row scrolled into view is painted with its neighbours only.
    asked.clear();
    list->SetSelected(999'999);
    Show();
    EXPECT_TRUE(RowShown(999'999));
    EXPECT_EQ(list->Selected(), 999'999);
    ASSERT_FALSE(asked.empty());
    EXPECT_GE(*asked.begin(), 999'999 - screenful);
    EXPECT_EQ(*asked.rbegin(), 999'999);
    EXPECT_TRUE(chosen.empty());
}

TEST_F(ListViewTest, ClicksAndArrowKeysChooseRowsTheProgramsSelectionDoesNot)
{
    list->SetRowCount(100);
    Show();
    struct Step
    {
        const char* name;
        std::function<void()> act;
        int selected;
        std::vector<int> chosen;
    };
    const Step steps[] = {
        {"click row 3", [&] { Click(3); }, 3, {3}},
        {"click it again", [&] { Click(3); }, 3, {3}},
        {"down", [&] { SimKeyPress(list, vkDown); }, 4, {4}},
        {"up", [&] { SimKeyPress(list, vkUp); }, 3, {3}},
        {"program selects 40", [&] { list->SetSelected(40); }, 40, {}},
        {"down from there", [&] { SimKeyPress(list, vkDown); }, 41, {41}},
        {"program selects 0", [&] { list->SetSelected(0); }, 0, {}},
        {"up at the top", [&] { SimKeyPress(list, vkUp); }, 0, {}},
        {"right click",
         [&] {
             const TRect r = ListViewRowRect(list, 1);
             SimMouseDown(list, mbRight, 0, r.Left + 5, r.Top + 2);
             SimMouseUp(list, mbRight, 0, r.Left + 5, r.Top + 2);
         },
         -2,
         {}},
        {"program selects none", [&] { list->SetSelected(-1); }, -1, {}},
        {"out of range selects none", [&] { list->SetSelected(100); }, -1, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        chosen.clear();
        step.act();
        if (step.selected != -2) {
            EXPECT_EQ(list->Selected(), step.selected);
        }
        EXPECT_EQ(chosen, step.chosen);
        EXPECT_TRUE(list->Selected() < 0 || RowShown(list->Selected()));
    }
}

TEST_F(ListViewTest, ACountChangeForgetsTheSelectionAndRefreshAsksAgain)
{
    list->SetRowCount(10);
    Show();
    Click(2);
    EXPECT_EQ(list->Selected(), 2);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("2 v"));
    // Cyrillic captions and cells cross as cp1251.
    EXPECT_EQ(View()->model()->headerData(1, Qt::Horizontal).toString(),
              QString::fromUtf8("Значение"));
    suffix = " \xE0";
    calls = 0;
    list->Refresh();
    Show();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Cell(2, 1), QString::fromUtf8("2 а"));
    EXPECT_EQ(list->Selected(), 2);

    list->SetRowCount(5);
    EXPECT_EQ(list->Selected(), -1);
    EXPECT_EQ(View()->model()->rowCount(), 5);
    // A click below the last row chooses nothing.
    const TRect last = ListViewRowRect(list, 4);
    chosen.clear();
    SimMouseDown(list, mbLeft, 0, last.Left + 5, last.Bottom + 20);
    SimMouseUp(list, mbLeft, 0, last.Left + 5, last.Bottom + 20);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(list->Selected(), -1);
}

} // namespace
