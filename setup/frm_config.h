// The setup dialog.
#pragma once

#include <QWidget>

namespace pw2 {

class frmConfig : public QWidget {
    Q_OBJECT
public:
    explicit frmConfig(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

// Shows the program's one setup dialog without waiting for it.
frmConfig* showConfigDialog();

} // namespace pw2
