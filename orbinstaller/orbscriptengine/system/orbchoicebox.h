// A question with three answers of the setup's own words, for files in use: a message
// box whose Continue / Try Again / Cancel buttons carry the given labels.
#pragma once

#include <windows.h>

#include <string>

// Shows the box (warning icon, in the foreground) and answers IDCONTINUE, IDTRYAGAIN or
// IDCANCEL (closing the box counts as IDCANCEL); 0 when it cannot be shown. Empty
// labels leave the system's own.
int ORBChoiceBox(const std::wstring& text, const std::wstring& caption, const std::wstring& continueLabel,
                 const std::wstring& retryLabel, const std::wstring& cancelLabel);
