// Counts every allocation of the test binary that links allocationcounter.cpp, so a test can prove
// a stretch allocation-free: compare AllocationCount() before and after it.
#pragma once

long AllocationCount();
