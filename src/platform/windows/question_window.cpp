#include "platform/windows/question_window.h"

#include <QLabel>

TFQuestion* FQuestion = nullptr;

TFQuestion::TFQuestion(QWidget* parent) : QuestionDialog(parent)
{
    setObjectName(QStringLiteral("FQuestion"));
    setWindowTitle(QStringLiteral("Titre"));
    LQuestion->setText(QStringLiteral("Question"));
}
