// Runs pawnwatch2-check of the build as a user does, and keeps what it printed.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace pw2::test {

struct ToolRun {
    int exitCode = -1;
    std::vector<std::string> out; // standard output, line by line
    std::vector<std::string> err; // standard error, line by line
    std::string errText;          // standard error as it came
};

inline std::vector<std::string> lines(const QByteArray& bytes) {
    std::vector<std::string> result;
    std::istringstream in(bytes.toStdString());
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

inline ToolRun check(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    const QByteArray err = process.readAllStandardError();
    return {process.exitCode(), lines(process.readAllStandardOutput()), lines(err),
            err.toStdString()};
}

} // namespace pw2::test
