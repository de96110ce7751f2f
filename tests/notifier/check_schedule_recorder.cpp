#include "check_schedule_recorder.h"

#include "check_schedule.h"

#include <QByteArray>
#include <QMetaObject>
#include <QTimer>

#include <utility>

namespace {

std::vector<ArmedCheck> &armedChecks()
{
    static std::vector<ArmedCheck> checks;
    return checks;
}

std::function<void(const ArmedCheck &)> &onArmHook()
{
    static std::function<void(const ArmedCheck &)> hook;
    return hook;
}

} // namespace

void scheduleCheck(int msec, QObject *receiver, const char *member)
{
    armedChecks().push_back(ArmedCheck{msec, receiver, member});
    if (onArmHook())
        onArmHook()(armedChecks().back());
}

namespace CheckSchedule {

const std::vector<ArmedCheck> &armed()
{
    return armedChecks();
}

std::vector<int> delays()
{
    std::vector<int> result;
    for (const ArmedCheck &check : armedChecks())
        result.push_back(check.msec);
    return result;
}

void clear()
{
    armedChecks().clear();
    onArmHook() = nullptr;
}

void setOnArm(std::function<void(const ArmedCheck &)> onArm)
{
    onArmHook() = std::move(onArm);
}

void fire(ArmedCheck check)
{
    if (check.receiver)
        QTimer::singleShot(0, check.receiver, check.member);
}

void runNow(ArmedCheck check)
{
    if (!check.receiver || !check.member)
        return;
    // SLOT() prefixes the signature with a code digit: "1updateCheck()".
    QByteArray name(check.member + 1);
    name.truncate(name.indexOf('('));
    QMetaObject::invokeMethod(check.receiver, name.constData(), Qt::DirectConnection);
}

void runLast()
{
    if (!armedChecks().empty())
        runNow(armedChecks().back());
}

} // namespace CheckSchedule
