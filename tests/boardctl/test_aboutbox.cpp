// frmAbout as the About member shows it: its texts and the program's icon, one window per library,
// OK, and the system information button without a program to start.
#include "host.h"
#include "support/icon_picture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testhost;

namespace {

QWidget* aboutWindow() {
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "frmAbout" && w->isVisible()) {
            EXPECT_EQ(found, nullptr) << "more than one about box";
            found = w;
        }
    }
    return found;
}

void about(Board& board) {
    EXPECT_EQ(board.call(dispid::About, InvokeKind::Method, {}), 0);
}

void processDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Sets PATH for one test and puts the old value back.
class PathOverride {
public:
    explicit PathOverride(const QString& path) : old_(qgetenv("PATH")) {
        qputenv("PATH", path.toLocal8Bit());
    }
    ~PathOverride() { qputenv("PATH", old_); }

private:
    QByteArray old_;
};

template <typename T>
T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

} // namespace

TEST(AboutBox, ShowsTheComponentAndVersionWithoutWaiting) {
    Board board;
    about(board);
    QPointer<QWidget> window = aboutWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), "About Vantrelkit");
    EXPECT_EQ(child<QLabel>(window, "lblVersion")->text(), "Version 2.0.0");
    EXPECT_FALSE(child<QLabel>(window, "lblTitle")->text().isEmpty());
    EXPECT_TRUE(child<QLabel>(window, "lblDisclaimer")->text().contains("pawnwatch2"));
    EXPECT_FALSE(child<QLabel>(window, "lblCredits")->text().isEmpty());
    const QLineEdit* address = child<QLineEdit>(window, "txtWebAddress");
    EXPECT_TRUE(address->isReadOnly());
    EXPECT_EQ(address->text(), "Licence: MIT");
    for (const QLabel* label : window->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("example")) << label->text().toStdString();
    EXPECT_EQ(child<QPushButton>(window, "cmdSysInfo")->text(), "&System Info...");
    EXPECT_EQ(child<QPushButton>(window, "cmdOK")->text(), "OK");
    // The program's icon, drawn from the picture built into the library.
    pw2::test::expectIconPicture(child<QLabel>(window, "picIcon")->pixmap(), 32);
    pw2::test::expectIconPicture(window->windowIcon().pixmap(QSize(16, 16), 1.0), 16);

    // While it is open, About shows the same window again; it outlives the control.
    about(board);
    EXPECT_EQ(aboutWindow(), window.data());

    child<QPushButton>(window, "cmdOK")->click();
    processDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(aboutWindow(), nullptr);

    // The next About loads it afresh.
    about(board);
    QPointer<QWidget> again = aboutWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->windowTitle(), "About Vantrelkit");
    child<QPushButton>(again, "cmdOK")->click();
    processDeletes();
    EXPECT_TRUE(again.isNull());
}

TEST(AboutBox, SystemInformationUnavailableWithoutAProgram) {
    QTemporaryDir emptyDir;
    ASSERT_TRUE(emptyDir.isValid());
    PathOverride path(emptyDir.path());
    Board board;
    about(board);
    QPointer<QWidget> window = aboutWindow();
    ASSERT_NE(window, nullptr);

    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::Critical;
    QList<QAbstractButton*> shownButtons;
    bool answered = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || answered)
            return;
        answered = true;
        shownText = box->text();
        shownIcon = box->icon();
        shownButtons = box->buttons();
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    QObject guard;
    QTimer::singleShot(5000, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close(); // the box never showed as expected: do not hang the test
    });
    child<QPushButton>(window, "cmdSysInfo")->click();
    poll.stop();

    ASSERT_TRUE(answered);
    EXPECT_EQ(shownText, "System Information Is Unavailable At This Time");
    EXPECT_EQ(shownIcon, QMessageBox::NoIcon);
    EXPECT_EQ(shownButtons.size(), 1);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible()) << "the about box stays open";
    child<QPushButton>(window, "cmdOK")->click();
    processDeletes();
}

TEST(AboutBox, SystemInformationProgramIsStartedFromThePath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath("started");
    QFile program(dir.filePath("hardinfo2"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(QStringLiteral("#!/bin/sh\n: > '%1'\n").arg(marker).toLocal8Bit());
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    PathOverride path(dir.path());

    Board board;
    about(board);
    QPointer<QWidget> window = aboutWindow();
    ASSERT_NE(window, nullptr);
    bool boxShown = false;
    QObject guard;
    QTimer::singleShot(200, &guard, [&boxShown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            boxShown = true;
            modal->close();
        }
    });
    child<QPushButton>(window, "cmdSysInfo")->click();
    EXPECT_FALSE(boxShown);
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(marker) && waited.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_TRUE(QFile::exists(marker));
    child<QPushButton>(window, "cmdOK")->click();
    processDeletes();
}
