#ifndef FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H
#define FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

// A test that links check_schedule_recorder.cpp replaces the notifier's scheduleCheck():
// every check the program arms is recorded here instead of starting a timer, and runs
// only when the test says.
struct ArmedCheck
{
    int msec = 0;
    QPointer<QObject> context;
    std::function<void()> check;
};

namespace CheckSchedule {

// Called after each arm is recorded (for instance to fire it or to end the event loop).
extern std::function<void(const ArmedCheck &)> onArm;

std::vector<int> delays();
void clear();
// Runs the last armed check at once and returns when it has finished.
void runLast();

} // namespace CheckSchedule

#endif
