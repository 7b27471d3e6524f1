// LockerScan: whether one of the user's screen lockers runs on this session's display, from the
// user's processes in /proc (their names and environments).
#pragma once

// True when a process of this user is a locker of this session (LocksThisSession).
bool SessionLockerRunning();
