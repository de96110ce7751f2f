// Freshwell's main() as freshwellMain, with the catalog check and the check schedule replaced.
#include "catalog_count.h"
#include "check_schedule_recorder.h"
#include "freshwell_test_support.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

int freshwellMain(int argc, char *argv[]);

namespace {

std::vector<BoxRecord> shownBoxes;
// Catalog URL and server version of each check.
std::vector<std::pair<QString, QString>> checkCalls;
int updatesToReport = 0;

constexpr int kLoopEnded = 42;

// Runs main() with the given arguments and returns its exit code. The first armed check
// is fired at once; the next arm ends the event loop with kLoopEnded.
int runFreshwell(std::vector<std::string> arguments)
{
    shownBoxes.clear();
    checkCalls.clear();
    CheckSchedule::delays.clear();
    CheckSchedule::onArm = [] {
        if (CheckSchedule::delays.size() == 1)
            QTimer::singleShot(0, qApp, CheckSchedule::lastCheck);
        else
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(kLoopEnded); });
    };
    arguments.insert(arguments.begin(), "Freshwell");
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return freshwellMain(int(arguments.size()), argv.data());
}

const QString kDefaultCatalog = QStringLiteral(FRESHWELL_CATALOG_URL);
const QString kOptions = "Available options are:\n\n-s or --server <version>\n"
                         "-e or --execute <command>\n-a or --application-list <url>\n"
                         "-i or --immediate-check";

void expectOnlyBox(QMessageBox::Icon icon, const QString &text)
{
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].icon, icon);
    EXPECT_EQ(shownBoxes[0].title, "Freshwell");
    EXPECT_EQ(shownBoxes[0].text, text);
    EXPECT_EQ(shownBoxes[0].parent, nullptr);
    EXPECT_EQ(shownBoxes[0].buttons, QMessageBox::Ok);
}

} // namespace

int countAvailableUpdates(const QString &applicationList, const QString &serverVersion, QWidget *)
{
    checkCalls.emplace_back(applicationList, serverVersion);
    return updatesToReport;
}

TEST(CommandLine, DefaultsAndValueOptionsThatTakeTheNextArgumentWhateverItLooksLike)
{
    // Arguments, server version and catalog of the check, delay of the first check.
    const std::tuple<std::vector<std::string>, QString, QString, int> cases[] = {
        {{}, "8.4", kDefaultCatalog, 600000},
        {{"--server", "9.0"}, "9.0", kDefaultCatalog, 600000},
        {{"-s", "-i"}, "-i", kDefaultCatalog, 600000},
        {{"-i", "-s"}, "8.4", kDefaultCatalog, 1},
        {{"-s", "9.0", "-s", "9.1"}, "9.1", kDefaultCatalog, 600000},
        {{"-s", ""}, "", kDefaultCatalog, 600000},
        {{"", "-i", "", "-i"}, "8.4", kDefaultCatalog, 1},
        {{"-e", "-h", "--application-list", "-x"}, "8.4", "-x", 600000},
        {{"-a", "http://h/a.xml", "--immediate-check"}, "8.4", "http://h/a.xml", 1},
        // Values are decoded as the platform decodes its command line (UTF-8 here).
        {{"-a", "/Instala\xc3\xa7\xc3\xa3o/a.xml"}, "8.4", "/Instala\u00e7\u00e3o/a.xml", 600000},
    };
    for (const auto &[arguments, serverVersion, applicationList, firstDelay] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(runFreshwell(arguments), kLoopEnded);
        EXPECT_TRUE(shownBoxes.empty());
        // A check that finds nothing re-arms for the next day.
        EXPECT_EQ(CheckSchedule::delays, std::vector<int>({firstDelay, 86400000}));
        EXPECT_EQ(checkCalls, decltype(checkCalls)({{applicationList, serverVersion}}));
    }
}

TEST(CommandLine, HelpUnknownArgumentsAndNoTrayShowTheirBoxAndEndTheProgram)
{
    const QString usage = "Usage: Freshwell [options]\n\n" + kOptions;
    const QString invalid = "An invalid command line option was specified. " + kOptions;
    const std::vector<std::pair<std::vector<std::string>, QString>> cases = {
        {{"-h"}, usage},
        {{"--help"}, usage},
        {{"-s", "9.0", "-h", "-x"}, usage},
        {{"--server=9.0"}, invalid},
        {{"-x", "--help"}, invalid},
        {{"--Help"}, invalid},
        {{"/?"}, invalid},
        {{"-?"}, invalid},
        {{"-si"}, invalid},
        {{"-i", "9.0"}, invalid}};
    for (const auto &[arguments, text] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(runFreshwell(arguments), 1);
        expectOnlyBox(text == usage ? QMessageBox::Information : QMessageBox::Critical, text);
        EXPECT_TRUE(CheckSchedule::delays.empty());
        EXPECT_TRUE(checkCalls.empty());
    }
    // The offscreen platform has no notification area, and without a session bus there is no
    // notification server either: the first announcement ends with -1.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    updatesToReport = 1;
    EXPECT_EQ(runFreshwell({"-i"}), -1);
    updatesToReport = 0;
    expectOnlyBox(QMessageBox::Critical, "The system tray could not be found on this system. "
                                         "Closing Freshwatch service.");
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1}));
}

int main(int argc, char **argv)
{
    // main() makes its own application object; boxes need no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Runs when main() has created its application object.
    qAddPreRoutine([] { (new BoxCloser(&shownBoxes))->setParent(qApp); });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
