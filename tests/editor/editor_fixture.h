// What the editor tests share: the setup dialog that opens the editor, with scripted message boxes
// and file dialogs, files read and written as bytes, and moves typed into the editor.
#pragma once

#include "editor/frm_edit.h"
#include "pgn/game_spans.h"
#include "setup/frm_config.h"
#include "support/doubles.h"
#include "support/scripted_dialogs.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pw2::test {

inline std::string readBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll().toStdString();
}

inline void writeBytes(const QString& path, std::string_view bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

// The text of each game of a file, by the program's game delimiting rule.
inline std::vector<std::string> gamesOf(std::string_view text) {
    std::vector<std::string> games;
    for (const pgn::GameSpan& span : pgn::findGameSpans(text))
        games.emplace_back(pgn::gameText(text, span));
    return games;
}

// Types one move number's two moves and presses Update.
inline void typeMove(frmEdit& e, const QString& white, const QString& black) {
    e.WhiteMove->setText(white);
    e.BlackMove->setText(black);
    e.Update->click();
}

inline std::vector<QString> lines(const frmEdit& e) {
    std::vector<QString> all;
    for (int i = 0; i < e.List1->count(); ++i)
        all.push_back(e.List1->item(i)->text());
    return all;
}

// The doubles and the ways into the editor, for a test fixture to inherit.
class EditorHarness {
public:
    // The setup dialog, its opening messages (no file is stored) forgotten.
    std::unique_ptr<frmConfig> openDialog() {
        auto d = std::make_unique<frmConfig>();
        box.messages->shown.clear();
        return d;
    }
    // The editor that Edit Game opens on game row (0-based) of file.
    frmEdit* editGame(frmConfig& d, const QString& file, int row) {
        d.CurrentFile = file;
        d.GetGames(d.CurrentFile);
        d.List1->setCurrentIndex(d.List1->model()->index(row, 0));
        d.Edit->click();
        return d.editor();
    }
    // Runs body on the editor that New Game shows modally, and closes the editor when body left
    // it open, so that a failed expectation cannot leave the test waiting.
    void withNewGame(frmConfig& d, const std::function<void(frmEdit&)>& body) {
        bool ran = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ran = true;
            frmEdit* e = d.editor();
            if (!e)
                return;
            body(*e);
            if (e->isVisible()) {
                e->hide();
                emit e->closed();
            }
        });
        timer.start(0);
        d.New->click();
        EXPECT_TRUE(ran);
    }
    // The texts of the message boxes shown so far, questions included.
    std::vector<QString> shown() const { return box.messageTexts(); }

    Sandbox box;
    ScriptedDialogsScope scripted;
};

class EditorTest : public ::testing::Test, public EditorHarness {};

} // namespace pw2::test
