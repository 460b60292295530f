// The platform's settings dialog, context menu and pick list, opened through the default
// provider and answered with real keys and clicks while they run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "toolkit/Controls_p.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/TestSupport.h"

namespace {

// Runs Act on the first widget Find gives once the event loop turns; gives up after a while
// (closing what is open) so that a test can fail but never hang.
void WhenOpen(std::function<QWidget*()> find, std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, find, act] {
        if (QWidget* w = find()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            ADD_FAILURE() << "the expected window never opened";
        }
    });
    timer->start(0);
}

template <class T> void WhenModal(std::function<void(T*)> act)
{
    WhenOpen([] { return qobject_cast<T*>(QApplication::activeModalWidget()); },
             [act](QWidget* w) { act(static_cast<T*>(w)); });
}

QPushButton* ButtonNamed(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == text) return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

// Types Text key by key, letters outside ASCII too (QTest's own typing knows ASCII only).
void Type(QWidget* w, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void Press(QAbstractButton* button)
{
    if (button != nullptr) QTest::mouseClick(button, Qt::LeftButton);
}

const std::string kTitle = "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB"; // "Параметры"

TFieldsDialogRequest SerialRequest(std::vector<std::vector<std::string>>& checked)
{
    TFieldsDialogRequest request;
    request.Title = kTitle;
    request.Fields = {{"Baud", "9600", {}, false},
                      {"Parity", "even", {"none", "even", "odd"}, false},
                      {"Bits", "9", {"7", "8"}, true},
                      {"Mode", "legacy", {"fast", "slow"}, false}};
    request.Check = [&checked](const std::vector<std::string>& values) {
        checked.push_back(values);
        return values[0].find_first_not_of("0123456789") == std::string::npos && !values[0].empty()
                   ? std::string()
                   : "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC: " + values[0]; // "Скорость: "
    };
    return request;
}

TEST(FieldsDialog, ARefusedValueKeepsTheDialogOpenUntilOkIsAccepted)
{
    std::vector<std::vector<std::string>> checked;
    const TFieldsDialogRequest request = SerialRequest(checked);
    bool errorSeen = false;
    bool stillOpen = false;
    WhenModal<QDialog>([&](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Параметры"));
        auto* baud = dialog->findChild<QLineEdit*>(QStringLiteral("field0"));
        auto* parity = dialog->findChild<QComboBox*>(QStringLiteral("field1"));
        auto* bits = dialog->findChild<QComboBox*>(QStringLiteral("field2"));
        auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("field3"));
        ASSERT_TRUE(baud && parity && bits && mode);
        EXPECT_EQ(baud->text(), QStringLiteral("9600"));
        EXPECT_EQ(parity->currentText(), QStringLiteral("even"));
        EXPECT_EQ(bits->currentText(), QStringLiteral("9"));
        // A value none of the fixed choices has is kept, not turned into the first choice.
        EXPECT_EQ(mode->currentText(), QStringLiteral("legacy"));

        baud->setFocus();
        baud->selectAll();
        Type(baud, QString::fromUtf8("96к"));
        // The error box comes over the dialog while Enter is being handled.
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            errorSeen = true;
            EXPECT_EQ(box->parentWidget(), dialog);
            EXPECT_EQ(box->text(), QString::fromUtf8("Скорость: 96к"));
            Press(box->button(QMessageBox::Ok));
        });
        QTest::keyClick(baud, Qt::Key_Return);
        stillOpen = dialog->isVisible();
        EXPECT_EQ(baud->text(), QString::fromUtf8("96к"));

        baud->selectAll();
        QTest::keyClicks(baud, QStringLiteral("115200"));
        parity->setFocus();
        QTest::keyClick(parity, Qt::Key_Down);
        bits->lineEdit()->selectAll();
        QTest::keyClicks(bits->lineEdit(), QStringLiteral("8"));
        Press(ButtonNamed(dialog, QStringLiteral("OK")));
    });
    std::vector<std::string> values{"untouched"};
    ASSERT_TRUE(ExecuteFieldsDialog(request, values));
    EXPECT_TRUE(errorSeen);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(values, (std::vector<std::string>{"115200", "odd", "8", "legacy"}));
    ASSERT_EQ(checked.size(), 2u);
    EXPECT_EQ(checked[0][0], "96\xEA");
}

TEST(FieldsDialog, EscapeCancelsWithoutAskingCheck)
{
    std::vector<std::vector<std::string>> checked;
    const TFieldsDialogRequest request = SerialRequest(checked);
    WhenModal<QDialog>([](QDialog* dialog) {
        auto* baud = dialog->findChild<QLineEdit*>(QStringLiteral("field0"));
        ASSERT_NE(baud, nullptr);
        baud->setFocus();
        QTest::keyClicks(baud, QStringLiteral("1"));
        QTest::keyClick(baud, Qt::Key_Escape);
    });
    std::vector<std::string> values{"untouched"};
    EXPECT_FALSE(ExecuteFieldsDialog(request, values));
    EXPECT_EQ(values, std::vector<std::string>{"untouched"});
    EXPECT_TRUE(checked.empty());
}

TEST(ContextMenu, ShowsAtTheControlsPointAndReturnsTheChosenItem)
{
    TForm form;
    form.SetBounds(40, 30, 300, 200);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(20, 10, 200, 150);
    form.Show();
    ProcessEvents();
    TMenuRequest request;
    request.Control = panel;
    request.X = 15;
    request.Y = 25;
    request.Captions = {"Zoom in", "-", "\xC2\xFB\xEA\xEB", "Markers", "Last"}; // "Выкл"
    request.Enabled = {true, false, false, true, true};
    request.Checked = {false, false, false, true, false};

    struct Row
    {
        const char* name;
        std::function<void(QMenu*)> gesture;
        int chosen;
    };
    auto clickOn = [](QMenu* menu, int index) {
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[index]).center());
    };
    const Row rows[] = {
        {"click the last item", [&](QMenu* m) { clickOn(m, 4); }, 4},
        {"keys pass the separator and the disabled item",
         [](QMenu* m) {
             QTest::keyClick(m, Qt::Key_Down);
             QTest::keyClick(m, Qt::Key_Down);
             QTest::keyClick(m, Qt::Key_Return);
         },
         3},
        {"a disabled item takes no click",
         [&](QMenu* m) {
             clickOn(m, 2);
             EXPECT_TRUE(m->isVisible());
             QTest::keyClick(m, Qt::Key_Escape);
         },
         -1},
        {"escape", [](QMenu* m) { QTest::keyClick(m, Qt::Key_Escape); }, -1},
        {"a click elsewhere",
         [](QMenu* m) { QTest::mouseClick(m, Qt::LeftButton, {}, QPoint(-20, -20)); }, -1},
    };
    const QPoint expected = ControlWidget(panel)->mapToGlobal(QPoint(15, 25));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WhenOpen([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                 [&](QWidget* w) {
                     auto* menu = static_cast<QMenu*>(w);
                     EXPECT_EQ(menu->pos(), expected);
                     const QList<QAction*> actions = menu->actions();
                     EXPECT_EQ(actions.size(), 5);
                     EXPECT_TRUE(actions[1]->isSeparator());
                     EXPECT_EQ(actions[2]->text(), QString::fromUtf8("Выкл"));
                     EXPECT_FALSE(actions[2]->isEnabled());
                     EXPECT_TRUE(actions[3]->isChecked());
                     EXPECT_FALSE(actions[4]->isChecked());
                     row.gesture(menu);
                 });
        EXPECT_EQ(DefaultDialogProvider()->ChooseMenuItem(request), row.chosen);
    }
}

// The rows' Bit cells, "" for a row not picked.
QStringList Bits(QTableWidget* table)
{
    QStringList bits;
    for (int r = 0; r < table->rowCount(); ++r) {
        QTableWidgetItem* bit = table->item(r, 0);
        EXPECT_EQ(bit->checkState() == Qt::Checked, !bit->text().isEmpty()) << "row " << r;
        bits << bit->text();
    }
    return bits;
}

TEST(PickList, PicksNumberBitsInTheUsersOrderWithinTheLimit)
{
    TPickListRequest request;
    request.Title = "Signals";
    request.Prompt = "Choose the signals and their order";
    request.Columns = {"Signal", "Line"};
    request.Rows = {
        {"clk", "1"}, {"data", "2"}, {"cs", "3"}, {"\xF1\xE1\xF0\xEE\xF1", "4"}, {"irq"}};
    request.Chosen = {3, 1, 3, 9};
    request.MaxChosen = 3;

    WhenModal<QDialog>([&](QDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("rows"));
        auto* note = dialog->findChild<QLabel*>(QStringLiteral("note"));
        ASSERT_TRUE(table && note);
        EXPECT_EQ(table->horizontalHeaderItem(0)->text(), QStringLiteral("Bit"));
        EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("Line"));
        EXPECT_EQ(table->item(3, 1)->text(), QString::fromUtf8("сброс"));
        auto select = [table](int row) {
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualItemRect(table->item(row, 1)).center());
        };
        // A click on the row's check box, where the style draws it.
        auto clickBox = [table](int row) {
            QStyleOptionViewItem option;
            option.initFrom(table->viewport());
            option.rect = table->visualItemRect(table->item(row, 0));
            option.features |= QStyleOptionViewItem::HasCheckIndicator;
            const QRect box = table->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator,
                                                             &option, table);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
        };
        auto space = [table](int row) {
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualItemRect(table->item(row, 1)).center());
            QTest::keyClick(table, Qt::Key_Space);
        };
        struct Step
        {
            const char* name;
            std::function<void()> act;
            QStringList bits;
            bool noted;
        };
        const Step steps[] = {
            {"opens with the chosen rows, twice-named and unknown ones left out",
             [] {},
             {"", "1", "", "0", ""},
             false},
            {"space picks row 0 last", [&] { space(0); }, {"2", "1", "", "0", ""}, false},
            {"a fourth pick is refused", [&] { space(4); }, {"2", "1", "", "0", ""}, true},
            {"up moves row 0 before row 1",
             [&] {
                 select(0);
                 Press(ButtonNamed(dialog, "Up"));
             },
             {"1", "2", "", "0", ""},
             false},
            {"up again puts it first",
             [&] { Press(ButtonNamed(dialog, "Up")); },
             {"0", "2", "", "1", ""},
             false},
            {"up at the first place changes nothing",
             [&] { Press(ButtonNamed(dialog, "Up")); },
             {"0", "2", "", "1", ""},
             false},
            {"down on a row not picked changes nothing",
             [&] {
                 select(2);
                 Press(ButtonNamed(dialog, "Down"));
             },
             {"0", "2", "", "1", ""},
             false},
            {"dropping row 3 renumbers the rest", [&] { space(3); }, {"0", "1", "", "", ""}, false},
            {"a click on row 3's box picks it again",
             [&] { clickBox(3); },
             {"0", "1", "", "2", ""},
             false},
            {"a click on a fourth box is refused",
             [&] { clickBox(2); },
             {"0", "1", "", "2", ""},
             true},
            {"none", [&] { Press(ButtonNamed(dialog, "None")); }, {"", "", "", "", ""}, false},
            {"all picks up to the limit",
             [&] { Press(ButtonNamed(dialog, "All")); },
             {"0", "1", "2", "", ""},
             true},
            {"dropping two and picking 4",
             [&] {
                 space(0);
                 space(1);
                 space(4);
             },
             {"", "", "0", "", "1"},
             false},
            {"down moves row 2 after row 4",
             [&] {
                 select(2);
                 Press(ButtonNamed(dialog, "Down"));
             },
             {"", "", "1", "", "0"},
             false},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            step.act();
            EXPECT_EQ(Bits(table), step.bits);
            EXPECT_EQ(!note->text().isEmpty(), step.noted) << note->text().toStdString();
        }
        Press(ButtonNamed(dialog, "OK"));
    });
    std::vector<int> chosen;
    ASSERT_TRUE(ExecutePickList(request, chosen));
    EXPECT_EQ(chosen, (std::vector<int>{4, 2}));

    WhenModal<QDialog>([](QDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("rows"));
        ASSERT_NE(table, nullptr);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Space);
        QTest::keyClick(table, Qt::Key_Escape);
    });
    chosen = {7};
    EXPECT_FALSE(ExecutePickList(request, chosen));
    EXPECT_EQ(chosen, std::vector<int>{7});
}

} // namespace
