// Entry of the layout preview stub (orbpack writes it beside each setup with its resources).
#include "orbpreview.h"

int wmain(int argc, wchar_t** argv) { return ORBPreviewMain(argc, argv); }
