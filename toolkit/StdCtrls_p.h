// Private widgets of the standard controls: the filtering that keeps every typed or
// pasted character inside cp1251.
#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
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

// The text view's widget: typed, pasted, dropped and composed text enters with "?"
// for every character cp1251 lacks; Shift+Enter breaks a line like Enter.
class TMemoWidget : public QPlainTextEdit
{
public:
    explicit TMemoWidget(TControlPrivate* priv) : FPriv(priv) {}

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    TControlPrivate* FPriv = nullptr;
};
