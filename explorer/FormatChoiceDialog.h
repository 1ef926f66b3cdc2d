// The list of formats for a new image. On GTK, Enter in the list both activates its row
// and presses OK, and each ends the dialog: it ends once.
#pragma once

#include <wx/choicdlg.h>

class CFormatChoiceDialog : public wxSingleChoiceDialog {
public:
    using wxSingleChoiceDialog::wxSingleChoiceDialog;
    void EndModal(int code) override {
        if (IsModal())
            wxSingleChoiceDialog::EndModal(code);
    }
};
