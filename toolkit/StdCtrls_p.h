// Private widgets of the standard controls: the filtering that keeps every typed or
// pasted character of an edit field inside cp1251 (the text view is in MemoView_p.h).
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "toolkit/Controls_p.h"

// Replaces characters without a cp1251 byte by "?" in whatever the line edit takes.
class TCp1251Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
