#include "check_schedule_recorder.h"

#include "check_schedule.h"

#include <QByteArray>
#include <QTimer>

namespace {

std::vector<ArmedCheck> armedChecks;
std::function<void(const ArmedCheck &)> onArmHook;

} // namespace

void scheduleCheck(int msec, QObject *receiver, const char *member)
{
    armedChecks.push_back(ArmedCheck{msec, receiver, member});
    if (onArmHook)
        onArmHook(armedChecks.back());
}

namespace CheckSchedule {

std::vector<int> delays()
{
    std::vector<int> result;
    for (const ArmedCheck &check : armedChecks)
        result.push_back(check.msec);
    return result;
}

void clear()
{
    armedChecks.clear();
    onArmHook = nullptr;
}

void setOnArm(std::function<void(const ArmedCheck &)> onArm)
{
    onArmHook = std::move(onArm);
}

void fire(const ArmedCheck &check)
{
    if (check.receiver)
        QTimer::singleShot(0, check.receiver, check.member);
}

void runLast()
{
    if (armedChecks.empty() || !armedChecks.back().receiver)
        return;
    // SLOT() prefixes the signature with a code digit: "1updateCheck()".
    QByteArray name(armedChecks.back().member + 1);
    name.truncate(name.indexOf('('));
    QMetaObject::invokeMethod(armedChecks.back().receiver, name.constData(), Qt::DirectConnection);
}

} // namespace CheckSchedule
