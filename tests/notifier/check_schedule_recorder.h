#ifndef FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H
#define FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H

#include <functional>
#include <vector>

// A test that links check_schedule_recorder.cpp replaces the notifier's scheduleCheck():
// every check the program arms is recorded here instead of starting a timer, and runs
// only when the test says.
namespace CheckSchedule {

struct Armed
{
    int msec = 0;
    std::function<void()> check;
};

// Called after each arm is recorded (for instance to fire it or to end the event loop).
extern std::function<void(const Armed &)> onArm;

std::vector<int> delays();
void clear();
// Runs the last armed check at once and returns when it has finished.
void runLast();

} // namespace CheckSchedule

#endif
