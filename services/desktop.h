// The services that reach outside the program, one of each, used everywhere: message boxes,
// the mouse pointer and the end of the program. Tests replace them with doubles.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string_view>

class QWidget;

namespace pw2 {

enum class MsgIcon { None, Critical, Question, Information };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// The caption of the program's message boxes.
inline constexpr const char* kProgramTitle = "Pawnwatch2";

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows a modal message box and returns the button pressed.
    virtual MsgAnswer show(QWidget* parent, const QString& text, MsgIcon icon,
                           MsgButtons buttons) = 0;
};

MessageBoxService& messageBoxes();
// Replaces the service (tests); nullptr restores the real message boxes.
void setMessageBoxService(std::unique_ptr<MessageBoxService> service);
// Shorthand for messageBoxes().show(...). While any message box is up, modalDepth() > 0.
MsgAnswer showMessage(const QString& text, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
                      QWidget* parent = nullptr);
int modalDepth();

// Hides the mouse pointer; showPointer() balances one hide. Both are safe to call again.
void hidePointer();
void showPointer();
bool pointerHidden();

// Ends the program at once, without close handlers and without writing settings: shows the
// pointer again if the saver hid it, then ends the process. A test handler may replace the
// ending; endProgram() then returns to its caller.
void endProgram(int exitCode = 0);
void setProgramEndHandler(std::function<void(int)> handler);

} // namespace pw2
