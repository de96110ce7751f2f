// Drives Freshwell's main() (compiled into this test as freshwellMain) with the catalog
// check and the check schedule replaced, so each run shows the settings it parsed, the
// boxes it showed and its exit code.
#include "catalog_check.h"
#include "check_schedule_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

int freshwellMain(int argc, char *argv[]);

namespace {

struct Box
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    bool hasParent = false;
    QMessageBox::StandardButtons buttons;
};

struct CheckCall
{
    QString applicationList;
    QString serverVersion;
};

std::vector<Box> shownBoxes;
std::vector<CheckCall> checkCalls;
int updatesToReport = 0;
bool markTranslations = false;

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

// Runs when main() has created its application object: closes each message box from a
// timer, as a user would, and records what it said.
void prepareApplication()
{
    if (markTranslations)
        QCoreApplication::installTranslator(new ContextMarkingTranslator(qApp));
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        shownBoxes.push_back(Box{box->icon(), box->windowTitle(), box->text(),
                                 box->parentWidget() != nullptr, box->standardButtons()});
        box->button(QMessageBox::Ok)->click();
    });
    timer->start(10);
}

struct Outcome
{
    int exitCode = 0;
    std::vector<int> delays;
};

constexpr int kLoopEnded = 42;

// Runs main() with the given arguments. The first armed check is fired at once; the
// next arm ends the event loop with kLoopEnded.
Outcome runFreshwell(const std::vector<std::string> &arguments)
{
    shownBoxes.clear();
    checkCalls.clear();
    CheckSchedule::clear();
    CheckSchedule::setOnArm([](const ArmedCheck &check) {
        if (CheckSchedule::armed().size() == 1)
            CheckSchedule::fire(check);
        else
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(kLoopEnded); });
    });

    std::vector<std::string> storage{"Freshwell"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = int(storage.size());

    Outcome run;
    run.exitCode = freshwellMain(argc, argv.data());
    run.delays = CheckSchedule::delays();
    CheckSchedule::clear();
    return run;
}

const QString kDefaultCatalog = QStringLiteral(FRESHWELL_CATALOG_URL);

const char *const kInvalidOptionText =
    "An invalid command line option was specified. Available options are:\n\n"
    "-s or --server <version>\n-e or --execute <command>\n"
    "-a or --application-list <url>\n-i or --immediate-check";

const char *const kUsageText = "Usage: Freshwell [options]\n\nAvailable options are:\n\n"
                               "-s or --server <version>\n-e or --execute <command>\n"
                               "-a or --application-list <url>\n-i or --immediate-check";

void expectOnlyBox(QMessageBox::Icon icon, const char *text)
{
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].icon, icon);
    EXPECT_EQ(shownBoxes[0].title, "Freshwell");
    EXPECT_EQ(shownBoxes[0].text, text);
    EXPECT_FALSE(shownBoxes[0].hasParent);
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
    updatesToReport = 0;
    const Outcome run = runFreshwell({});
    EXPECT_EQ(run.exitCode, kLoopEnded);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(run.delays, std::vector<int>({600000, 86400000}));
    ASSERT_EQ(checkCalls.size(), 1u);
    EXPECT_EQ(checkCalls[0].serverVersion, "8.4");
    EXPECT_EQ(checkCalls[0].applicationList, kDefaultCatalog);

    const QUrl catalog(kDefaultCatalog);
    EXPECT_EQ(catalog.scheme(), "http");
    EXPECT_EQ(catalog.path(), "/applications.xml");
}

TEST(CommandLine, ValueOptionsTakeTheNextArgumentWhateverItLooksLike)
{
    struct Case
    {
        std::vector<std::string> arguments;
        QString serverVersion;
        QString applicationList;
        int firstDelay;
    };
    const QString latin1Version = QStringLiteral("9.0") + QChar(0xe9);
    const std::vector<Case> cases = {
        {{"--server", "9.0"}, "9.0", kDefaultCatalog, 600000},
        {{"-s", "-i"}, "-i", kDefaultCatalog, 600000},
        {{"-s"}, "8.4", kDefaultCatalog, 600000},
        {{"-i", "-s"}, "8.4", kDefaultCatalog, 1},
        {{"-s", "9.0", "-s", "9.1"}, "9.1", kDefaultCatalog, 600000},
        {{"-s", ""}, "", kDefaultCatalog, 600000},
        {{"", "-i", "", "-i"}, "8.4", kDefaultCatalog, 1},
        {{"-e", "-h", "--application-list", "-x"}, "8.4", "-x", 600000},
        {{"-a", "http://127.0.0.1:1/a.xml", "--immediate-check"},
         "8.4",
         "http://127.0.0.1:1/a.xml",
         1},
        // The value is the raw 8-bit argument read as Latin-1.
        {{"-s", "9.0\xe9"}, latin1Version, kDefaultCatalog, 600000},
    };
    updatesToReport = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Outcome run = runFreshwell(c.arguments);
        EXPECT_EQ(run.exitCode, kLoopEnded);
        EXPECT_TRUE(shownBoxes.empty());
        ASSERT_FALSE(run.delays.empty());
        EXPECT_EQ(run.delays[0], c.firstDelay);
        ASSERT_EQ(checkCalls.size(), 1u);
        EXPECT_EQ(checkCalls[0].serverVersion, c.serverVersion);
        EXPECT_EQ(checkCalls[0].applicationList, c.applicationList);
    }
}

TEST(CommandLine, HelpShowsTheUsageBoxAndEndsWithOneBeforeAnyCheck)
{
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"-h"}, {"--help"}, {"-s", "9.0", "-h", "-x"}}) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const Outcome run = runFreshwell(arguments);
        EXPECT_EQ(run.exitCode, 1);
        expectOnlyBox(QMessageBox::Information, kUsageText);
        EXPECT_TRUE(run.delays.empty());
        EXPECT_TRUE(checkCalls.empty());
    }
}

TEST(CommandLine, UnknownArgumentsShowTheInvalidOptionBoxAndEndWithOne)
{
    for (const std::vector<std::string> &arguments : {std::vector<std::string>{"--server=9.0"},
                                                      {"-x", "--help"},
                                                      {"--Help"},
                                                      {"-H"},
                                                      {"/?"},
                                                      {"-?"},
                                                      {"-si"},
                                                      {"-i", "9.0"}}) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const Outcome run = runFreshwell(arguments);
        EXPECT_EQ(run.exitCode, 1);
        expectOnlyBox(QMessageBox::Critical, kInvalidOptionText);
        EXPECT_TRUE(run.delays.empty());
    }
}

TEST(CommandLine, WithoutASystemTrayTheFirstAnnouncementEndsWithMinusOne)
{
    // The offscreen platform has no notification area.
    updatesToReport = 1;
    const Outcome run = runFreshwell({"-i"});
    updatesToReport = 0;
    EXPECT_EQ(run.exitCode, -1);
    expectOnlyBox(QMessageBox::Critical, "The system tray could not be found on this system. "
                                         "Closing Freshwatch service.");
    EXPECT_EQ(run.delays, std::vector<int>({1}));
}

TEST(CommandLine, BoxTextsAreTranslatedInTheQObjectContext)
{
    markTranslations = true;
    runFreshwell({"-x"});
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].title, "QObject|Freshwell");
    EXPECT_TRUE(shownBoxes[0].text.startsWith("QObject|An invalid command line option"));

    updatesToReport = 1;
    runFreshwell({"-i"});
    updatesToReport = 0;
    markTranslations = false;
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].title, "QObject|Freshwell");
    EXPECT_TRUE(shownBoxes[0].text.startsWith("QObject|The system tray could not be found"));
}

int main(int argc, char **argv)
{
    // main() makes its own application object; boxes need no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qAddPreRoutine(prepareApplication);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
