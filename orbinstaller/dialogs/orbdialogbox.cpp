#include "orbdialogbox.h"

#include "orbdialogsettings.h"
#include "orblog.h"
#include "orbshell.h"

int ORBDialogMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    if (ORBDialogSettings::SuppressMessageBoxes()) {
        const int answer = ORBMessageBoxDefaultAnswer(type);
        ORBLog(L"message box suppressed, answered %d: %s: %s\r\n", answer, caption.c_str(), text.c_str());
        return answer;
    }
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
