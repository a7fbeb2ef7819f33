// The common dialog `File`: the open-file, save-file and colour dialogs, preset by the caller with
// a title, a filter, a file pattern and a starting folder. A cancelled dialog is reported to the
// caller as a failure (an empty result). The dialogs themselves come from a replaceable service,
// so that tests can answer them from a script.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QColor;
class QWidget;

namespace pw2 {

struct FileDialogRequest {
    bool save = false;
    QString title;
    QString filter;         // Qt form: "PGN file (*.pgn);;Allfiles (*.*)"
    QString selectedFilter; // the entry of filter that the dialog starts with
    QString directory;      // starting folder
    QString fileName;       // preset name, or empty
};

class CommonDialogService {
public:
    virtual ~CommonDialogService() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFile(QWidget* parent,
                                              const FileDialogRequest& request) = 0;
    // The chosen colour as 0x00BBGGRR, or nothing when the user cancels.
    virtual std::optional<std::uint32_t> chooseColour(QWidget* parent, std::uint32_t initial) = 0;
};

CommonDialogService& commonDialogs();
// Replaces the service (tests); nullptr restores the desktop's dialogs.
void setCommonDialogService(std::unique_ptr<CommonDialogService> service);

// "PGN file|*.pgn|Text file|*.txt" -> "PGN file (*.pgn);;Text file (*.txt)"; several patterns of
// one entry, separated by ";", are kept (separated by spaces).
QString qtFileFilter(const QString& pipeFilter);

// Colours as the settings hold them (0x00BBGGRR) and as Qt holds them.
QColor qColorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromQColor(const QColor& colour);

class CommonDialog {
public:
    QString DialogTitle;
    // Description and pattern pairs separated by "|".
    QString Filter;
    // A pattern such as "*.pgn" before a dialog; the chosen path after one.
    QString FileName;
    QString InitDir;
    // The colour dialog's colour (0x00BBGGRR), preset and result.
    std::uint32_t Color = 0;

    // Each returns false when the user cancels, leaving FileName or Color unchanged.
    bool ShowOpen(QWidget* parent);
    bool ShowSave(QWidget* parent);
    bool ShowColor(QWidget* parent);

private:
    bool showFile(QWidget* parent, bool save);
};

} // namespace pw2
