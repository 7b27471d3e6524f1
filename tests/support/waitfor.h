// Waiting in the tests of timers that fire on threads of their own: for a condition, with a
// deadline, and for a count that must stay put once nothing should fire any more.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace testwait {

// Polls `done` until it holds or `limit` has passed; says whether it held.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Expects what `count` reads to be the same after `quiet` as now: nothing fired meanwhile.
template <typename Count>
void ExpectStaysPut(Count count, std::chrono::milliseconds quiet) {
    const auto before = count();
    std::this_thread::sleep_for(quiet);
    EXPECT_EQ(count(), before) << "fired again after it should have stopped";
}

}  // namespace testwait
