#pragma once

#include <windows.h>

#include <string>

#include "app/modal_dialog.h"
#include "app/simple_link.h"
#include "app/ui_language.h"

// The result dialog after every run: how the run ended, the offer to start
// (or download) the security suite, and a link to the run's log file.
class COKDlg : public ModalDialog {
public:
    // STOP_FLAG: the main dialog's flag, nonzero when the user stopped the run.
    explicit COKDlg(const LONG* stopFlag);

    // The texts the dialog shows in LANGUAGE, from how the run ended; the
    // customer-service number follows its label when there is one.
    static std::wstring ResultText(UiLanguage language, bool stopped, bool anythingFound,
                                   const std::wstring& supportNumber);
    static std::wstring OfferText(UiLanguage language, bool suiteInstalled);

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Initialise();
    void Accept();

    CSimpleLink logLink_;
    const LONG* stopFlag_;
};
