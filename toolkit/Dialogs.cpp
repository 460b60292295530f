#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "toolkit/CodePage_p.h"
#include "toolkit/Dialogs_p.h"
#include "toolkit/Forms.h"

QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = Cp1251ToQString(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // "*.*" means every file to its writer; as a glob it needs a dot in the name.
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return result;
}

namespace {

QString ButtonText(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes:
        return QStringLiteral("&Yes");
    case mbNo:
        return QStringLiteral("&No");
    case mbOK:
        return QStringLiteral("OK");
    case mbCancel:
        return QStringLiteral("Cancel");
    case mbAbort:
        return QStringLiteral("&Abort");
    case mbRetry:
        return QStringLiteral("&Retry");
    case mbIgnore:
        return QStringLiteral("&Ignore");
    }
    return QString();
}

TModalResult ButtonResult(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    }
    return mrNone;
}

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

// Tells closing the box through its frame from pressing a button: Qt reports the
// escape button for both, but a closed confirmation answers neither Yes nor No.
class TClosableMessageBox : public QMessageBox
{
public:
    TClosableMessageBox(Icon icon, const QString& title, const QString& text)
        : QMessageBox(icon, title, text, QMessageBox::NoButton)
    {
    }
    bool Closed = false;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        Closed = true;
        QMessageBox::closeEvent(e);
    }
};

class TQtDialogProvider : public TDialogProvider
{
public:
    bool ExecuteFileDialog(const TFileDialogRequest& request, std::string& fileName) override
    {
        QFileDialog dialog(QApplication::activeWindow(), Cp1251ToQString(request.Title),
                           FileNameSurvivesQt(request.InitialDir)
                               ? FileNameToQString(request.InitialDir)
                               : QString());
        dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // Whatever name is typed is returned: no existence check, no overwrite question.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setDefaultSuffix(QString());
        dialog.setSizeGripEnabled(true);
        const QStringList filters = NameFilters(request.Filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            const qsizetype index = std::clamp<qsizetype>(request.FilterIndex, 1, filters.size());
            dialog.selectNameFilter(filters[index - 1]);
        }
        // A name Qt cannot hold as it is would be offered as another file's name: the
        // dialog then starts without one.
        if (!request.FileName.empty() && FileNameSurvivesQt(request.FileName))
            dialog.selectFile(FileNameToQString(request.FileName));
        if (dialog.exec() != QDialog::Accepted) return false;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return false;
        fileName = QStringToFileName(files.first());
        return true;
    }

    TModalResult Confirm(const TMessageBoxRequest& request) override
    {
        TClosableMessageBox box(IconOf(request.Type), Cp1251ToQString(request.Title),
                                TextWithFileName(request.Message, request.FileName));
        std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> buttons;
        for (int b = mbYes; b <= mbIgnore; ++b) {
            const auto button = static_cast<TMsgDlgBtn>(b);
            if ((request.Buttons & MsgDlgButton(button)) == 0) continue;
            QPushButton* pushButton =
                box.addButton(ButtonText(button), QMessageBox::ButtonRole::ActionRole);
            if (button == request.DefaultButton) box.setDefaultButton(pushButton);
            if (button == request.CancelButton) box.setEscapeButton(pushButton);
            buttons.emplace_back(pushButton, button);
        }
        box.exec();
        if (box.Closed) return mrCancel;
        for (const auto& [pushButton, button] : buttons)
            if (box.clickedButton() == pushButton) return ButtonResult(button);
        return mrCancel;
    }

    void Information(const TMessageBoxRequest& request) override { Show(request); }
    void Error(const TMessageBoxRequest& request) override { Show(request); }
    bool ExecuteFieldsDialog(const TFieldsDialogRequest& request,
                             std::vector<std::string>& values) override
    {
        return RunFieldsDialog(request, values);
    }
    int ChooseMenuItem(const TMenuRequest& request) override { return RunMenu(request); }
    bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen) override
    {
        return RunPickList(request, chosen);
    }

private:
    static void Show(const TMessageBoxRequest& request)
    {
        QMessageBox box(IconOf(request.Type), Cp1251ToQString(request.Title),
                        TextWithFileName(request.Message, request.FileName), QMessageBox::Ok);
        box.exec();
    }
};

TDialogProvider* gProvider = nullptr;

std::string TypeTitle(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return "Warning";
    case mtError:
        return "Error";
    case mtInformation:
        return "Information";
    case mtConfirmation:
        return "Confirm";
    default:
        return Application->Title();
    }
}

} // namespace

TDialogProvider* DefaultDialogProvider()
{
    static TQtDialogProvider provider;
    return &provider;
}

TDialogProvider* SetDialogProvider(TDialogProvider* provider)
{
    TDialogProvider* previous = CurrentDialogProvider();
    gProvider = provider;
    return previous;
}

TDialogProvider* CurrentDialogProvider()
{
    return gProvider != nullptr ? gProvider : DefaultDialogProvider();
}

bool TCommonDialog::Execute()
{
    TFileDialogRequest request;
    request.Save = IsSave();
    request.Title = FTitle;
    request.Filter = FFilter;
    request.FilterIndex = FFilterIndex;
    request.InitialDir = FInitialDir;
    request.FileName = FFileName;
    std::string chosen;
    if (!CurrentDialogProvider()->ExecuteFileDialog(request, chosen)) return false;
    FFileName = chosen;
    return true;
}

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        int helpContext)
{
    (void)helpContext;
    TMessageBoxRequest request;
    request.Title = TypeTitle(type);
    request.Message = message;
    request.Type = type;
    request.Buttons = buttons;
    auto has = [buttons](TMsgDlgBtn b) { return (buttons & MsgDlgButton(b)) != 0; };
    request.DefaultButton = has(mbYes) ? mbYes : mbOK;
    request.CancelButton = has(mbCancel) ? mbCancel : has(mbNo) ? mbNo : mbOK;
    return CurrentDialogProvider()->Confirm(request);
}

void ShowMessage(const std::string& message)
{
    TMessageBoxRequest request;
    request.Title = Application->Title();
    request.Message = message;
    request.Type = mtCustom;
    CurrentDialogProvider()->Information(request);
}

void ShowErrorBox(const std::string& message, const std::string& fileName)
{
    TMessageBoxRequest request;
    request.Title = Application->Title();
    request.Message = message;
    request.FileName = fileName;
    request.Type = mtError;
    CurrentDialogProvider()->Error(request);
}

// Providers that know no such dialog answer "cancelled".
bool TDialogProvider::ExecuteFieldsDialog(const TFieldsDialogRequest&, std::vector<std::string>&)
{
    return false;
}

int TDialogProvider::ChooseMenuItem(const TMenuRequest&)
{
    return -1;
}

bool TDialogProvider::ExecutePickList(const TPickListRequest&, std::vector<int>&)
{
    return false;
}

bool ExecuteFieldsDialog(const TFieldsDialogRequest& request, std::vector<std::string>& values)
{
    std::vector<std::string> answer;
    if (!CurrentDialogProvider()->ExecuteFieldsDialog(request, answer)) return false;
    if (answer.size() != request.Fields.size()) return false;
    values = std::move(answer);
    return true;
}

bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen)
{
    std::vector<int> answer;
    if (!CurrentDialogProvider()->ExecutePickList(request, answer)) return false;
    for (const int row : answer)
        if (row < 0 || row >= static_cast<int>(request.Rows.size())) return false;
    chosen = std::move(answer);
    return true;
}
