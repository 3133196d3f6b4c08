// Process-wide platform services started once by the entry flow.
#pragma once

// Starts GDI+ (version 1) once per process; it is shut down at process exit.
// Returns false when GDI+ could not start.
bool ORBStartGdiplus();
