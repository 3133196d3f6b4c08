// Process helper for the installer functions: token privileges, the process snapshot,
// image paths with drive letters, and ending a process politely and then by force.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "orbhandle.h"

class ORBProcessToolHelp {
public:
    ORBProcessToolHelp() = default;
    ORBProcessToolHelp(const ORBProcessToolHelp&) = delete;
    ORBProcessToolHelp& operator=(const ORBProcessToolHelp&) = delete;

    // Enables or disables one privilege of the process token; false (with a failure
    // record) when the token cannot be opened, the name is unknown or the adjustment
    // fails, also when the token does not hold the privilege (ERROR_NOT_ALL_ASSIGNED).
    static bool EnablePrivilege(const wchar_t* name, bool enable);

    // Takes a new process snapshot (the previous one is closed); false when it fails.
    bool Snapshot();

    // Ids of the snapshot's processes whose executable name equals `name` (case-
    // insensitive), in snapshot order; id 0 and the first process (the system) are
    // never compared. Empty without a snapshot or a match.
    std::vector<DWORD> FindProcessesByName(const wchar_t* name) const;

    // Id of the first such process; -1 when none.
    long long FindProcessByName(const wchar_t* name) const;

    // Image path of process `pid` with its device prefix turned into a drive (C:\...);
    // a device the drive table does not know leaves the device path as it is (logged).
    // False when the process cannot be opened or its image name read.
    bool ImagePathFromPid(DWORD pid, std::wstring& path);

    // Posts SC_CLOSE and WM_CLOSE to the process's top-level windows, waits 3000 ms,
    // terminates it (exit code 0) if it still runs and waits 3000 ms again. True when
    // it ended, for id 0 and when there is no such process; false when it cannot be
    // opened for another reason or outlives both waits.
    static bool CloseProcessByPid(DWORD pid);

    // Device path with its device (the text before the third backslash) turned into the
    // drive the map gives; false, with the path left as it is, for an unknown device.
    static bool DrivePath(const std::map<std::wstring, std::wstring>& devices, std::wstring& path);

    // Device name (\Device\HarddiskVolume3) to drive (C:); built on first use. False
    // (with a failure record) when the drive list cannot be read.
    bool BuildDeviceMap();
    const std::map<std::wstring, std::wstring>& DeviceMap() const { return devices_; }

private:
    ORBFileHandle snapshot_;
    std::map<std::wstring, std::wstring> devices_;
};
