// The platform's settings dialog, context menu and pick list behind the dialog provider.
// Texts cross as cp1251 both ways; every dialog is modal over the active window.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "toolkit/CodePage_p.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Dialogs_p.h"
#include "toolkit/StdCtrls_p.h"

namespace {

// ---- fields dialog

class TFieldsDialog : public QDialog
{
public:
    TFieldsDialog(const TFieldsDialogRequest& request, QWidget* parent)
        : QDialog(parent), FCheck(request.Check)
    {
        setWindowTitle(Cp1251ToQString(request.Title));
        auto* form = new QFormLayout;
        for (size_t i = 0; i < request.Fields.size(); ++i) {
            const TDialogField& field = request.Fields[i];
            QWidget* editor = field.Choices.empty() ? LineFor(field) : ChoiceFor(field);
            editor->setObjectName(QStringLiteral("field%1").arg(i));
            auto* label = new QLabel(Cp1251ToQString(field.Label));
            label->setBuddy(editor);
            form->addRow(label, editor);
            FEditors.push_back(editor);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
    }

    std::vector<std::string> Values() const
    {
        std::vector<std::string> values;
        for (QWidget* editor : FEditors) {
            if (auto* line = qobject_cast<QLineEdit*>(editor))
                values.push_back(QStringToCp1251(line->text()));
            else
                values.push_back(QStringToCp1251(static_cast<QComboBox*>(editor)->currentText()));
        }
        return values;
    }

    void accept() override
    {
        std::string refusal;
        if (FCheck) {
            bool threw = true;
            GuardedCall([&] {
                refusal = FCheck(Values());
                threw = false;
            });
            // The error box has told of it; the values stay for another try.
            if (threw) return;
        }
        if (!refusal.empty()) {
            QMessageBox box(QMessageBox::Critical, windowTitle(), Cp1251ToQString(refusal),
                            QMessageBox::Ok, this);
            box.exec();
            return;
        }
        QDialog::accept();
    }

private:
    static QWidget* LineFor(const TDialogField& field)
    {
        auto* line = new QLineEdit(Cp1251ToQString(field.Value));
        line->setValidator(new TCp1251Validator(line));
        return line;
    }

    static QWidget* ChoiceFor(const TDialogField& field)
    {
        auto* combo = new QComboBox;
        combo->setEditable(field.Editable);
        for (const std::string& choice : field.Choices)
            combo->addItem(Cp1251ToQString(choice));
        const QString value = Cp1251ToQString(field.Value);
        int index = combo->findText(value, Qt::MatchExactly);
        // A stored value that is none of the choices is kept, not replaced by the first one.
        if (index < 0 && !value.isEmpty()) {
            if (field.Editable) {
                combo->setEditText(value);
            } else {
                combo->insertItem(0, value);
                index = 0;
            }
        }
        if (index >= 0) combo->setCurrentIndex(index);
        if (field.Editable) combo->lineEdit()->setValidator(new TCp1251Validator(combo));
        return combo;
    }

    std::function<std::string(const std::vector<std::string>&)> FCheck;
    std::vector<QWidget*> FEditors;
};

// ---- pick list

class TPickTable : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    std::function<void(int row)> OnToggle;

protected:
    // Space picks or drops the current row whichever of its cells is current.
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier && currentRow() >= 0 &&
            OnToggle) {
            OnToggle(currentRow());
            return;
        }
        QTableWidget::keyPressEvent(e);
    }
};

class TPickListDialog : public QDialog
{
public:
    TPickListDialog(const TPickListRequest& request, QWidget* parent)
        : QDialog(parent), FMax(std::max(0, request.MaxChosen)),
          FRows(static_cast<int>(request.Rows.size()))
    {
        setWindowTitle(Cp1251ToQString(request.Title));
        // Rows named twice or not at all are left out, as are those past the limit.
        for (const int row : request.Chosen)
            if (row >= 0 && row < FRows && !IsPicked(row) && static_cast<int>(FOrder.size()) < FMax)
                FOrder.push_back(row);

        auto* prompt = new QLabel(Cp1251ToQString(request.Prompt));
        prompt->setWordWrap(true);
        FTable = new TPickTable(FRows, static_cast<int>(request.Columns.size()) + 1);
        FTable->setObjectName(QStringLiteral("rows"));
        QStringList headers{QStringLiteral("Bit")};
        for (const std::string& column : request.Columns)
            headers << Cp1251ToQString(column);
        FTable->setHorizontalHeaderLabels(headers);
        FTable->verticalHeader()->hide();
        FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
        FTable->setSelectionMode(QAbstractItemView::SingleSelection);
        FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
        for (int r = 0; r < FRows; ++r) {
            auto* bit = new QTableWidgetItem;
            bit->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            FTable->setItem(r, 0, bit);
            const std::vector<std::string>& cells = request.Rows[r];
            for (int c = 0; c < static_cast<int>(request.Columns.size()); ++c) {
                auto* item = new QTableWidgetItem(
                    c < static_cast<int>(cells.size()) ? Cp1251ToQString(cells[c]) : QString());
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                FTable->setItem(r, c + 1, item);
            }
        }
        FTable->horizontalHeader()->setStretchLastSection(true);
        ShowBits();
        connect(FTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
            if (FUpdating || item->column() != 0) return;
            if ((item->checkState() == Qt::Checked) != IsPicked(item->row())) Toggle(item->row());
        });
        FTable->OnToggle = [this](int row) { Toggle(row); };

        FNote = new QLabel;
        FNote->setObjectName(QStringLiteral("note"));
        auto* up = new QPushButton(QStringLiteral("Up"));
        auto* down = new QPushButton(QStringLiteral("Down"));
        auto* all = new QPushButton(QStringLiteral("All"));
        auto* none = new QPushButton(QStringLiteral("None"));
        for (QPushButton* b : {up, down, all, none})
            b->setAutoDefault(false);
        connect(up, &QPushButton::clicked, this, [this] { Move(-1); });
        connect(down, &QPushButton::clicked, this, [this] { Move(1); });
        connect(all, &QPushButton::clicked, this, [this] { PickAll(); });
        connect(none, &QPushButton::clicked, this, [this] {
            FOrder.clear();
            FNote->clear();
            ShowBits();
        });
        auto* side = new QVBoxLayout;
        for (QPushButton* b : {up, down, all, none})
            side->addWidget(b);
        side->addStretch();
        auto* middle = new QHBoxLayout;
        middle->addWidget(FTable, 1);
        middle->addLayout(side);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(prompt);
        layout->addLayout(middle, 1);
        layout->addWidget(FNote);
        layout->addWidget(buttons);
        resize(480, 360);
    }

    const std::vector<int>& Order() const { return FOrder; }

private:
    bool IsPicked(int row) const
    {
        return std::find(FOrder.begin(), FOrder.end(), row) != FOrder.end();
    }

    void Toggle(int row)
    {
        if (IsPicked(row)) {
            FOrder.erase(std::find(FOrder.begin(), FOrder.end(), row));
            FNote->clear();
        } else if (static_cast<int>(FOrder.size()) >= FMax) {
            FNote->setText(QStringLiteral("At most %1 may be picked.").arg(FMax));
        } else {
            FOrder.push_back(row);
            FNote->clear();
        }
        ShowBits();
    }

    void PickAll()
    {
        for (int r = 0; r < FRows; ++r)
            if (!IsPicked(r) && static_cast<int>(FOrder.size()) < FMax) FOrder.push_back(r);
        const bool cut = static_cast<int>(FOrder.size()) < FRows;
        FNote->setText(cut ? QStringLiteral("At most %1 may be picked.").arg(FMax) : QString());
        ShowBits();
    }

    // Moves the selected row's bit one place earlier (-1) or later (+1).
    void Move(int step)
    {
        const auto at = std::find(FOrder.begin(), FOrder.end(), FTable->currentRow());
        if (at == FOrder.end()) return;
        const auto to = at + step;
        if (to < FOrder.begin() || to >= FOrder.end()) return;
        std::iter_swap(at, to);
        FNote->clear();
        ShowBits();
    }

    void ShowBits()
    {
        FUpdating = true;
        for (int r = 0; r < FRows; ++r) {
            const auto at = std::find(FOrder.begin(), FOrder.end(), r);
            QTableWidgetItem* bit = FTable->item(r, 0);
            const bool picked = at != FOrder.end();
            bit->setCheckState(picked ? Qt::Checked : Qt::Unchecked);
            bit->setText(picked ? QString::number(at - FOrder.begin()) : QString());
        }
        FUpdating = false;
    }

    int FMax = 0;
    int FRows = 0;
    std::vector<int> FOrder;
    TPickTable* FTable = nullptr;
    QLabel* FNote = nullptr;
    bool FUpdating = false;
};

} // namespace

bool RunFieldsDialog(const TFieldsDialogRequest& request, std::vector<std::string>& values)
{
    TFieldsDialog dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

int RunMenu(const TMenuRequest& request)
{
    QMenu menu(QApplication::activeWindow());
    std::vector<QAction*> actions;
    for (size_t i = 0; i < request.Captions.size(); ++i) {
        if (request.Captions[i] == "-") {
            actions.push_back(menu.addSeparator());
            continue;
        }
        QAction* action = menu.addAction(Cp1251ToQString(request.Captions[i]));
        action->setEnabled(i >= request.Enabled.size() || request.Enabled[i]);
        if (i < request.Checked.size() && request.Checked[i]) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        actions.push_back(action);
    }
    // The point is where the control's mouse events are: a scrolled widget's are in its
    // viewport.
    QPoint global = QCursor::pos();
    if (QWidget* w = request.Control != nullptr ? ControlWidget(request.Control) : nullptr) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
        global = w->mapToGlobal(QPoint(request.X, request.Y));
    }
    QAction* chosen = menu.exec(global);
    if (chosen == nullptr || chosen->isSeparator()) return -1;
    const auto at = std::find(actions.begin(), actions.end(), chosen);
    return at == actions.end() ? -1 : static_cast<int>(at - actions.begin());
}

bool RunPickList(const TPickListRequest& request, std::vector<int>& chosen)
{
    TPickListDialog dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    chosen = dialog.Order();
    return true;
}
