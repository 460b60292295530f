#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "toolkit/Dialogs.h"
#include "toolkit/Dialogs_p.h"
#include "toolkit/Forms.h"
#include "toolkit/TestSupport.h"

namespace {

using TShown = TRecordingDialogProvider::TShown;

// Runs Answer on the modal dialog as soon as one is open; gives up after a while so that
// a test can fail but never hang.
template <class TDialog> void WhenModalOpens(std::function<void(TDialog*)> answer)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, answer] {
        if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            ADD_FAILURE() << "no dialog of the expected kind opened";
        }
    });
    timer->start(10);
}

QStringList ButtonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}

} // namespace

TEST(Dialogs, ConfirmationGoesThroughTheProviderWithYesDefaultAndNoCancel)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    dialogs.ConfirmAnswers = {mrYes, mrNo, mrCancel};
    const std::string question = "\xC8\xED\xF4\xE0 \xEC\xE5\xED\xFF\xEB\xE0\xF1\xFC. "
                                 "\xD1\xEE\xF5\xF0\xE0\xED\xE8\xF2\xFC?";
    EXPECT_EQ(MessageDlg(question, mtConfirmation, mbYesNo), mrYes);
    EXPECT_EQ(MessageDlg(question, mtConfirmation, mbYesNo), mrNo);
    EXPECT_EQ(MessageDlg(question, mtConfirmation, mbYesNo), mrCancel);
    ASSERT_EQ(dialogs.Count(TShown::Confirm), 3);
    const TMessageBoxRequest& box = dialogs.Shown[0].Box;
    EXPECT_EQ(box.Title, "Confirm");
    EXPECT_EQ(box.Message, question);
    EXPECT_EQ(box.Type, mtConfirmation);
    EXPECT_EQ(box.Buttons, mbYesNo);
    EXPECT_EQ(box.DefaultButton, mbYes);
    EXPECT_EQ(box.CancelButton, mbNo);
}

TEST(Dialogs, InformationBoxCarriesTheApplicationTitleAndNoIcon)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    const std::string oldTitle = Application->Title();
    Application->SetTitle("Logview");
    ShowMessage("\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xE4\xE0\xED\xED\xFB\xF5. "
                "\xC8\xF1\xEF\xF0\xE0\xE2\xFC\xF2\xE5.");
    Application->SetTitle(oldTitle);
    ASSERT_EQ(dialogs.Count(TShown::Information), 1);
    EXPECT_EQ(dialogs.Shown[0].Box.Title, "Logview");
    EXPECT_EQ(dialogs.Shown[0].Box.Type, mtCustom);
    EXPECT_EQ(dialogs.Shown[0].Box.Buttons, MsgDlgButton(mbOK));
}

TEST(Dialogs, FileDialogStartsWithTheLastNameAndKeepsItWhenCancelled)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    TOpenDialog open;
    open.SetFilter("log|*.log|stimuli|*.sti|All|*.*");
    open.SetInitialDir(".");
    dialogs.FileAnswers = {"/data/a.log", "", "/data/b.sti"};
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName(), "/data/a.log");
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName(), "/data/a.log");
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName(), "/data/b.sti");
    ASSERT_EQ(dialogs.Count(TShown::FileDialog), 3);
    const TFileDialogRequest& second = dialogs.Shown[1].File;
    EXPECT_FALSE(second.Save);
    EXPECT_EQ(second.FileName, "/data/a.log");
    EXPECT_EQ(second.Filter, "log|*.log|stimuli|*.sti|All|*.*");
    EXPECT_EQ(second.FilterIndex, 1);
    EXPECT_EQ(second.InitialDir, ".");
    TSaveDialog save;
    dialogs.FileAnswers = {"/data/out.log"};
    ASSERT_TRUE(save.Execute());
    EXPECT_TRUE(dialogs.Shown.back().File.Save);
}

TEST(QtDialogs, ConfirmationBoxLooksAsAskedAndReturnsTheButton)
{
    const struct
    {
        const char* name;
        std::function<void(QMessageBox*)> answer;
        TModalResult result;
    } rows[] = {
        {"Yes clicked",
         [](QMessageBox* box) { ButtonWithText(box, QStringLiteral("&Yes"))->click(); }, mrYes},
        {"No clicked",
         [](QMessageBox* box) { ButtonWithText(box, QStringLiteral("&No"))->click(); }, mrNo},
        {"Enter takes the default", [](QMessageBox* box) { box->defaultButton()->click(); }, mrYes},
        {"Escape takes No",
         [](QMessageBox* box) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(box, &escape);
         },
         mrNo},
        {"closing is neither", [](QMessageBox* box) { box->close(); }, mrCancel},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        QString defaultText;
        QString escapeText;
        WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            buttons = ButtonTexts(box);
            defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
            escapeText = box->escapeButton() ? box->escapeButton()->text() : QString();
            row.answer(box);
        });
        EXPECT_EQ(MessageDlg("Save?", mtConfirmation, mbYesNo), row.result);
        EXPECT_EQ(title, QStringLiteral("Confirm"));
        EXPECT_EQ(icon, QMessageBox::Question);
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("&No"), QStringLiteral("&Yes")}));
        EXPECT_EQ(defaultText, QStringLiteral("&Yes"));
        EXPECT_EQ(escapeText, QStringLiteral("&No"));
    }
}

TEST(QtDialogs, InformationAndErrorBoxes)
{
    const std::string oldTitle = Application->Title();
    Application->SetTitle("Logview");
    const struct
    {
        const char* name;
        std::function<void()> show;
        QMessageBox::Icon icon;
    } rows[] = {
        {"information", [] { ShowMessage("Note"); }, QMessageBox::NoIcon},
        {"error", [] { ShowErrorBox("Failed."); }, QMessageBox::Critical},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString title;
        QMessageBox::Icon icon = QMessageBox::Information;
        QStringList buttons;
        WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            buttons = ButtonTexts(box);
            box->buttons().first()->click();
        });
        row.show();
        EXPECT_EQ(title, QStringLiteral("Logview"));
        EXPECT_EQ(icon, row.icon);
        EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    }
    Application->SetTitle(oldTitle);
}

// Which files of a folder each filter entry lets the dialog list, matched as Qt's dialog
// matches its patterns.
TEST(QtDialogs, AllFilterListsEveryFileTheOthersOnlyTheirOwn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList files{"README", "a.log", "b.sti", "trace.tar.gz", ".hidden"};
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QStringList filters = NameFilters("log|*.log|stimuli|*.sti|All|*.*|both|*.log;*.sti");
    ASSERT_EQ(filters.size(), 4);
    const QStringList expected[] = {{"a.log"},
                                    {"b.sti"},
                                    {".hidden", "README", "a.log", "b.sti", "trace.tar.gz"},
                                    {"a.log", "b.sti"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(filters[i].toStdString());
        const QString& entry = filters[i];
        const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
        const QStringList patterns =
            entry.mid(open + 1, entry.size() - open - 2).split(QLatin1Char(' '));
        QStringList listed =
            QDir(dir.path())
                .entryList(patterns, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
        listed.sort();
        QStringList want = expected[i];
        want.sort();
        EXPECT_EQ(listed, want);
    }
}

TEST(QtDialogs, FileDialogTakesAnyNameWithoutQuestions)
{
    const QString dir = QDir::tempPath();
    QStringList filters;
    QString selectedFilter;
    QString directory;
    bool confirmsOverwrite = true;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        directory = dialog->directory().absolutePath();
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        mode = dialog->fileMode();
        // selectFile() leaves a focused name field as it is, and whether the dialog is
        // already active (its name field focused) by now depends on timing.
        if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
        dialog->selectFile(dir + QStringLiteral("/not-there-yet.log"));
        static_cast<QDialog*>(dialog)->accept();
        // A dialog that refused the name stays open: fail, rather than wait for ever.
        if (dialog->isVisible()) dialog->reject();
    });
    TSaveDialog save;
    save.SetFilter("log|*.log|stimuli|*.sti|All|*.*");
    save.SetInitialDir(dir.toStdString());
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), (dir + QStringLiteral("/not-there-yet.log")).toStdString());
    EXPECT_EQ(filters, (QStringList{QStringLiteral("log (*.log)"),
                                    QStringLiteral("stimuli (*.sti)"), QStringLiteral("All (*)")}));
    EXPECT_EQ(selectedFilter, QStringLiteral("log (*.log)"));
    EXPECT_EQ(directory, QDir(dir).absolutePath());
    EXPECT_FALSE(confirmsOverwrite);
    EXPECT_EQ(mode, QFileDialog::AnyFile);

    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName(), (dir + QStringLiteral("/not-there-yet.log")).toStdString());
}
