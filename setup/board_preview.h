// A small board in the settings panel that shows the chosen board colours and piece set, drawn
// by the board control itself, so that it looks as the saver's board will. Without the control
// it stays empty.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

namespace vantrelkit {
class IControl;
}

namespace pw2 {

class BoardProxy;

class BoardPreview final : public QWidget {
    Q_OBJECT
public:
    explicit BoardPreview(QWidget* parent = nullptr);
    ~BoardPreview() override;

    // A vantrelkit::boardtheme and a vantrelkit::pieceset value.
    void setLook(std::int32_t theme, std::int32_t pieceSet);
    // The board's own widget, or nullptr when the control could not be loaded.
    QWidget* board() const;

private:
    vantrelkit::IControl* control_ = nullptr;
    std::unique_ptr<BoardProxy> proxy_;
};

} // namespace pw2
