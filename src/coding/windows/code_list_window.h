// TFListeCodes: "Liste des codes lithologiques", the picker of a lithology
// code (columns "Code", "Motif" with the code's swatch, "Description"),
// centred on the screen. See lexicon_picker_window.h for the shared rules.
#pragma once

#include "coding/windows/lexicon_picker_window.h"

class TFListeCodes : public TPickerDialog {
    Q_OBJECT
public:
    explicit TFListeCodes(QWidget* parent = nullptr);
    ~TFListeCodes() override;
};

extern TFListeCodes* FListeCodes;

// The code list filled with `items` (CodeListItems of the coding rules) and
// shown modally. True on "Ok" with a line selected; `code` is its code as
// listed (callers trim it).
bool PickLithologyCode(const std::vector<PickerItem>& items, std::string& code, QWidget* parent = nullptr);
