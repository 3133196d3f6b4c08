// The interactive road: the layout document and the dialogs run one after another.
#pragma once

#include "pugixml.hpp"

class ORBDialogSequence {
public:
    // Loads and parses LAYOUT.XML and registers the "Orb_Installer" window class;
    // false (logged) when the layout is missing, empty or does not parse.
    bool LoadLayout();

    // Init dialog, ORBSE_BeforeInstall, install dialog. True when the run goes on with
    // the completion stage; false ends it, *cancelled telling whether the user closed
    // the init dialog (otherwise something failed, a skin that cannot be built too).
    bool RunInteractive(bool* cancelled);

    // The install dialog alone (passive runs); true when it ended with 1.
    bool RunInstallDialog();

    // The completion dialog's result code (1 lets ORBSE_AfterComplete run); 0 when the
    // layout has no CompleteDlg.
    int RunCompleteDialog();

    // The <Dlg name="..."> element under the layout's root, or an empty node.
    pugi::xml_node FindDialog(const wchar_t* name) const;

    // Releases the document.
    void Release();

private:
    pugi::xml_document document_;
};
