// What `pawnwatch2 --help` and `--version` answer, and which command lines they leave alone.
#include "app/usage.h"
#include "services/match_table.h"
#include "services/settings_store.h"

#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace pw2 {
namespace {

// "X.Y.Z": three numbers and two dots.
bool threeNumbers(const std::string& version) {
    int numbers = 0;
    bool inNumber = false;
    for (const char c : version) {
        if (c >= '0' && c <= '9') {
            numbers += inNumber ? 0 : 1;
            inNumber = true;
        } else if (c == '.' && inNumber) {
            inNumber = false;
        } else {
            return false;
        }
    }
    return numbers == 3 && inNumber;
}

std::optional<std::string> answer(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "pawnwatch2");
    arguments.push_back(nullptr);
    return informationRequest(int(arguments.size()) - 1, arguments.data());
}

TEST(InformationRequest, OnlyTheExactFirstWordAnswers) {
    EXPECT_EQ(answer({"--help"}), usageText());
    EXPECT_EQ(answer({"-h"}), usageText());
    EXPECT_EQ(answer({"--help", "/S"}), usageText());
    const std::optional<std::string> version = answer({"--version"});
    ASSERT_TRUE(version);
    EXPECT_EQ(*version, std::string("pawnwatch2 ") + programVersion() + "\n");
    EXPECT_TRUE(threeNumbers(programVersion())) << programVersion();

    // Everything else starts the program as before: the setup dialog, or the saver for a switch
    // it does not know, even one that looks like --help or --version.
    const std::vector<std::vector<const char*>> leftAlone = {
        {},
        {"/S"},
        {"/C"},
        {"/P"},
        {"-root"},
        {"--root"},
        {"--HELP"},
        {"--Help"},
        {"-H"},
        {"--help-me"},
        {"--helps"},
        {"--version2"},
        {"--VERSION"},
        {"-v"},
        {"-version"},
        {" --help"},
        {"--help "},
        {"/S", "--help"},
        {"-root", "--version"},
        {"-window-id", "--help"},
        {""},
    };
    for (const auto& line : leftAlone) {
        std::string shown;
        for (const char* a : line)
            shown += std::string(" '") + a + "'";
        EXPECT_FALSE(answer(line)) << "pawnwatch2" << shown;
    }
    const char* noArguments[] = {nullptr};
    EXPECT_FALSE(informationRequest(0, noArguments));
}

// The usage is read in a terminal: each switch, the variable that names a host window, and the
// files the program keeps, on lines that fit 80 columns.
TEST(Usage, NamesEveryItemOnLinesOfEightyColumns) {
    const std::string usage = usageText();
    EXPECT_EQ(usage.rfind("usage: pawnwatch2 ", 0), 0u) << usage;
    for (const char* item : {"/S", "/C", "/P", "-root", "-window-id ID", "XSCREENSAVER_WINDOW",
                             "XScreenSaver", "xsecurelock", "XSECURELOCK_SAVER", "SIGTERM",
                             "--help", "--version", "[Config]", "XDG_CONFIG_HOME"})
        EXPECT_NE(usage.find(item), std::string::npos) << item;
    std::istringstream lines(usage);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_LE(line.size(), 80u) << line;
        EXPECT_EQ(line.find('\t'), std::string::npos) << line;
    }
    EXPECT_LE(count, 30) << "a usage, not a manual";
    EXPECT_EQ(usage.back(), '\n');
}

// The files the usage names are the ones the program uses: the settings store's file and the
// match table beside it, under the configuration folder (~/.config unless XDG_CONFIG_HOME says
// otherwise).
TEST(Usage, NamesTheFilesTheProgramUses) {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const SettingsStore store;
    const QString ini = store.fileName();
    const QString matches = QString::fromStdString(matchTablePath(store));
    ASSERT_TRUE(ini.startsWith(configHome + '/')) << ini.toStdString();
    ASSERT_TRUE(matches.startsWith(configHome + '/')) << matches.toStdString();
    const std::string usage = usageText();
    for (const QString& file : {ini, matches}) {
        const std::string shown = "~/.config" + file.mid(configHome.size()).toStdString();
        EXPECT_NE(usage.find(shown + ' '), std::string::npos) << shown << " in\n" << usage;
    }
}

} // namespace
} // namespace pw2
