#include "app/sub_main.h"
#include "saver/saver_layout.h"
#include "saver/single_instance.h"
#include "saver/termination.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

TEST(SwitchRule, OnlyTheFirstTwoCharactersCount) {
    struct Case {
        const char* commandLine;
        StartMode mode;
    } cases[] = {
        {"", StartMode::Setup},
        {"   ", StartMode::Setup},
        {"/C", StartMode::Setup},
        {"/c", StartMode::Setup},
        {"/c:1234", StartMode::Setup},
        {"/C 1234", StartMode::Setup},
        {"/S", StartMode::Saver},
        {"  /s  ", StartMode::Saver},
        {"/s 99", StartMode::Saver},
        {"/x", StartMode::Saver},
        {"-s", StartMode::Saver},
        {"-root", StartMode::Saver},
        {"-window-id 0x1", StartMode::Saver},
        {"/P 4242", StartMode::End},
        {"/p", StartMode::End},
    };
    for (const Case& c : cases)
        EXPECT_EQ(modeFromCommandLine(c.commandLine), c.mode) << '"' << c.commandLine << '"';
}

TEST(ProgramFolder, EndsInOneSeparator) {
    EXPECT_EQ(programFolder("/opt/pw", "/start"), "/opt/pw/");
    EXPECT_EQ(programFolder("/opt/pw/", "/start"), "/opt/pw/");
    EXPECT_EQ(programFolder("", "/start"), "/start/");
}

TEST(SaverLayout, BoardPanelTopDependsOnScreenWidth) {
    const double tpp = 15;
    EXPECT_DOUBLE_EQ(computeSaverLayout(640 * tpp, 480 * tpp, tpp).boardPanelTop, 100);
    EXPECT_DOUBLE_EQ(computeSaverLayout(800 * tpp, 600 * tpp, tpp).boardPanelTop, 2350);
    EXPECT_DOUBLE_EQ(computeSaverLayout(1024 * tpp, 768 * tpp, tpp).boardPanelTop, 3625);
    EXPECT_DOUBLE_EQ(computeSaverLayout(1920 * tpp, 1080 * tpp, tpp).boardPanelTop, 2350);
}

TEST(SaverLayout, PanelsAndMoveListBox) {
    const double tpp = 15;
    const SaverLayout l = computeSaverLayout(800 * tpp, 9000, tpp);
    EXPECT_DOUBLE_EQ(l.moveListHeight, 8260); // (37 - 3) * 240 + 100
    EXPECT_DOUBLE_EQ(l.moveListTop, 450);
    EXPECT_DOUBLE_EQ(l.boardPanelLeft, (12000 - 4995) / 2.0);
    EXPECT_DOUBLE_EQ(l.currentMovePanelLeft, 12000 - 2820);
    EXPECT_DOUBLE_EQ(l.currentMovePanelTop, (9000 - 3255) / 2.0);
}

TEST(SingleInstance, SecondRunsWithMarkerThirdEnds) {
    QTemporaryDir dir;
    InstanceLocks first(dir.path());
    EXPECT_EQ(CheckSingleInstance(first), InstanceDecision::Run);
    InstanceLocks second(dir.path());
    EXPECT_EQ(CheckSingleInstance(second), InstanceDecision::RunWithMarker);
    {
        InstanceLocks third(dir.path());
        EXPECT_EQ(CheckSingleInstance(third), InstanceDecision::End);
    }
    // Once every saver has gone, the next start runs without a marker again.
    {
        InstanceLocks a(dir.path());
        InstanceLocks b(dir.path());
    }
}

TEST(SingleInstance, AloneAfterTheOthersEnded) {
    QTemporaryDir dir;
    {
        InstanceLocks first(dir.path());
        ASSERT_EQ(CheckSingleInstance(first), InstanceDecision::Run);
        InstanceLocks second(dir.path());
        ASSERT_EQ(CheckSingleInstance(second), InstanceDecision::RunWithMarker);
    }
    InstanceLocks later(dir.path());
    EXPECT_EQ(CheckSingleInstance(later), InstanceDecision::Run);
}

// Idle daemons end the saver with SIGTERM, a terminal with SIGINT.
TEST(Termination, ASignalEndsTheProgramThroughTheEventLoop) {
    EXPECT_EXIT(
        {
            endOnTerminationSignal();
            std::raise(SIGTERM);
            QCoreApplication::processEvents();
            std::_Exit(3); // the event loop did not end it
        },
        testing::ExitedWithCode(0), "");
}

TEST(Termination, ASignalEndsTheProgramEvenWhenTheEventLoopIsBusy) {
    for (const int signal : {SIGTERM, SIGINT}) {
        EXPECT_EXIT(
            {
                endOnTerminationSignal();
                std::raise(signal);
                // Busy for far longer than the grace time, never returning to the event loop.
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                while (std::chrono::steady_clock::now() < until) {
                }
                std::_Exit(3);
            },
            testing::ExitedWithCode(128 + signal), "");
    }
}

} // namespace
} // namespace pw2
