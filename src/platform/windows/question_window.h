// The question window FQuestion: one line of text asked under a caption and a
// label. Commands ask through AskQuestion (platform/ui_services.h), which the
// program's prompts answer with this window, so that tests can script it.
#pragma once

#include "platform/windows/qt_ui_services.h"

class TFQuestion : public QuestionDialog {
    Q_OBJECT
public:
    explicit TFQuestion(QWidget* parent = nullptr);
};

extern TFQuestion* FQuestion;
