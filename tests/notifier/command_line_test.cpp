// Drives Freshwell's main() (compiled into this test as freshwellMain) with the catalog
// check and the check schedule replaced, so each run shows the settings it parsed, the
// boxes it showed and its exit code.
#include "catalog_check.h"
#include "catalog_test_support.h"
#include "check_schedule_recorder.h"

#include <QApplication>
#include <QTranslator>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

int freshwellMain(int argc, char *argv[]);

namespace {

struct CheckCall
{
    QString applicationList;
    QString serverVersion;
};

std::vector<BoxRecord> shownBoxes;
std::vector<CheckCall> checkCalls;
int updatesToReport = 0;
bool markTranslations = false;

// Marks every text it translates with its context, so a test sees which context asked.
class ContextMarkingTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QLatin1String(context) + QLatin1Char('|') + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

// Runs when main() has created its application object.
void prepareApplication()
{
    if (markTranslations)
        QCoreApplication::installTranslator(new ContextMarkingTranslator(qApp));
    (new BoxCloser(&shownBoxes))->setParent(qApp);
}

constexpr int kLoopEnded = 42;

// Runs main() with the given arguments and returns its exit code. The first armed check
// is fired at once; the next arm ends the event loop with kLoopEnded.
int runFreshwell(std::vector<std::string> arguments)
{
    shownBoxes.clear();
    checkCalls.clear();
    CheckSchedule::clear();
    CheckSchedule::setOnArm([](const ArmedCheck &check) {
        if (CheckSchedule::delays().size() == 1)
            CheckSchedule::fire(check);
        else
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(kLoopEnded); });
    });
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

// The notifier's check, replaced: it records what it was asked and reports a set count.
int countAvailableUpdates(const QString &applicationList, const QString &serverVersion, QWidget *)
{
    checkCalls.push_back(CheckCall{applicationList, serverVersion});
    return updatesToReport;
}

TEST(CommandLine, WithoutArgumentsUsesTheDefaultsAndChecksAfterTenMinutes)
{
    EXPECT_EQ(runFreshwell({}), kLoopEnded);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({600000, 86400000}));
    ASSERT_EQ(checkCalls.size(), 1u);
    EXPECT_EQ(checkCalls[0].serverVersion, "8.4");
    EXPECT_EQ(checkCalls[0].applicationList, kDefaultCatalog);
    EXPECT_EQ(QUrl(kDefaultCatalog).scheme(), "http");
    EXPECT_EQ(QUrl(kDefaultCatalog).path(), "/applications.xml");
}

TEST(CommandLine, ValueOptionsTakeTheNextArgumentWhateverItLooksLike)
{
    const struct
    {
        std::vector<std::string> arguments;
        QString serverVersion;
        QString applicationList;
        int firstDelay;
    } cases[] = {
        {{"--server", "9.0"}, "9.0", kDefaultCatalog, 600000},
        {{"-s", "-i"}, "-i", kDefaultCatalog, 600000},
        {{"-s"}, "8.4", kDefaultCatalog, 600000},
        {{"-i", "-s"}, "8.4", kDefaultCatalog, 1},
        {{"-s", "9.0", "-s", "9.1"}, "9.1", kDefaultCatalog, 600000},
        {{"-s", ""}, "", kDefaultCatalog, 600000},
        {{"", "-i", "", "-i"}, "8.4", kDefaultCatalog, 1},
        {{"-e", "-h", "--application-list", "-x"}, "8.4", "-x", 600000},
        {{"-a", "http://h/a.xml", "--immediate-check"}, "8.4", "http://h/a.xml", 1},
        // The value is the raw 8-bit argument read as Latin-1.
        {{"-s", "9.0\xe9"}, QStringLiteral("9.0") + QChar(0xe9), kDefaultCatalog, 600000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(runFreshwell(c.arguments), kLoopEnded);
        EXPECT_TRUE(shownBoxes.empty());
        ASSERT_FALSE(CheckSchedule::delays().empty());
        EXPECT_EQ(CheckSchedule::delays()[0], c.firstDelay);
        ASSERT_EQ(checkCalls.size(), 1u);
        EXPECT_EQ(checkCalls[0].serverVersion, c.serverVersion);
        EXPECT_EQ(checkCalls[0].applicationList, c.applicationList);
    }
}

TEST(CommandLine, HelpAndUnknownArgumentsShowTheirBoxAndEndWithOneBeforeAnyCheck)
{
    const std::vector<std::vector<std::string>> help = {
        {"-h"}, {"--help"}, {"-s", "9.0", "-h", "-x"}};
    const std::vector<std::vector<std::string>> invalid = {
        {"--server=9.0"}, {"-x", "--help"}, {"--Help"}, {"-H"},
        {"/?"},           {"-?"},           {"-si"},    {"-i", "9.0"}};
    for (const auto &arguments : help) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(runFreshwell(arguments), 1);
        expectOnlyBox(QMessageBox::Information, "Usage: Freshwell [options]\n\n" + kOptions);
        EXPECT_TRUE(CheckSchedule::delays().empty());
        EXPECT_TRUE(checkCalls.empty());
    }
    for (const auto &arguments : invalid) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(runFreshwell(arguments), 1);
        expectOnlyBox(QMessageBox::Critical,
                      "An invalid command line option was specified. " + kOptions);
        EXPECT_TRUE(CheckSchedule::delays().empty());
    }
}

TEST(CommandLine, WithoutASystemTrayTheFirstAnnouncementEndsWithMinusOne)
{
    // The offscreen platform has no notification area.
    updatesToReport = 1;
    EXPECT_EQ(runFreshwell({"-i"}), -1);
    expectOnlyBox(QMessageBox::Critical, "The system tray could not be found on this system. "
                                         "Closing Freshwatch service.");
    EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({1}));

    // Both the no-tray and the option boxes are translated in the QObject context.
    markTranslations = true;
    for (const char *argument : {"-i", "-x"}) {
        runFreshwell({argument});
        ASSERT_EQ(shownBoxes.size(), 1u) << argument;
        EXPECT_EQ(shownBoxes[0].title, "QObject|Freshwell");
        EXPECT_TRUE(shownBoxes[0].text.startsWith("QObject|")) << argument;
        updatesToReport = 0;
    }
    markTranslations = false;
}

int main(int argc, char **argv)
{
    // main() makes its own application object; boxes need no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qAddPreRoutine(prepareApplication);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
