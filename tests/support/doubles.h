// Test doubles for the services that reach outside the program: message boxes that answer from a
// script and record what was shown, a program end that records the request and returns, and a
// settings store in a temporary folder.
#pragma once

#include "services/app_path.h"
#include "services/desktop.h"
#include "services/settings_store.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace pw2::test {

#ifdef PW2_TEST_DATA
// The bytes of a file of the test data folder; empty when it cannot be read.
inline std::string readTestData(const char* name) {
    QFile f(QString(PW2_TEST_DATA "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
#endif

struct ShownMessage {
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
};

class ScriptedMessageBoxes : public MessageBoxService {
public:
    MsgAnswer show(QWidget*, const QString& text, MsgIcon icon, MsgButtons buttons) override {
        shown.push_back({text, icon, buttons});
        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        if (answers.empty())
            return MsgAnswer::Yes;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<ShownMessage> shown;
    std::deque<MsgAnswer> answers; // for Yes/No questions; Yes when the script runs out
};

// Installs the doubles for one test and removes them again: scripted message boxes, a recorded
// program end, a settings store in a fresh temporary folder, and fresh program-wide values. The
// caches of packed collections go into the folder too ($XDG_CACHE_HOME).
class Sandbox {
public:
    Sandbox()
        : cacheHome_(qgetenv("XDG_CACHE_HOME")),
          hadCacheHome_(qEnvironmentVariableIsSet("XDG_CACHE_HOME")) {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath("cache")));
        auto boxes = std::make_unique<ScriptedMessageBoxes>();
        messages = boxes.get();
        setMessageBoxService(std::move(boxes));
        setProgramEndHandler([this](int code) { endRequests.push_back(code); });
        setSettingsStore(std::make_unique<SettingsStore>(dir.filePath("settings.ini")));
        setAppPath(dir.path() + "/");
    }
    ~Sandbox() {
        showPointer();
        setMessageBoxService(nullptr);
        setProgramEndHandler(nullptr);
        setSettingsStore(nullptr);
        setAppPath({});
        if (hadCacheHome_)
            qputenv("XDG_CACHE_HOME", cacheHome_);
        else
            qunsetenv("XDG_CACHE_HOME");
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString path(const QString& name) const { return dir.filePath(name); }
    std::vector<QString> messageTexts() const {
        std::vector<QString> texts;
        for (const auto& m : messages->shown)
            texts.push_back(m.text);
        return texts;
    }

    QTemporaryDir dir;
    ScriptedMessageBoxes* messages = nullptr;
    std::vector<int> endRequests;

private:
    QByteArray cacheHome_;
    bool hadCacheHome_;
};

} // namespace pw2::test
