// Entry of a setup's layout preview (built beside each setup with its resources).
#include "orbpreview.h"

int wmain(int argc, wchar_t** argv) { return ORBPreviewMain(argc, argv); }
