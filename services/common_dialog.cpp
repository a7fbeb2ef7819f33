#include "services/common_dialog.h"

#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace pw2 {
namespace {

class DesktopDialogs final : public CommonDialogService {
public:
    std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& r) override {
        QString selected = r.selectedFilter;
        const QString start =
            r.fileName.isEmpty() ? r.directory : QDir(r.directory).filePath(r.fileName);
        const QString path =
            r.save ? QFileDialog::getSaveFileName(parent, r.title, start, r.filter, &selected)
                   : QFileDialog::getOpenFileName(parent, r.title, start, r.filter, &selected);
        if (path.isEmpty())
            return std::nullopt;
        return path;
    }

    std::optional<std::uint32_t> chooseColour(QWidget* parent, std::uint32_t initial) override {
        const QColor colour = QColorDialog::getColor(qColorFromBgr(initial), parent);
        if (!colour.isValid())
            return std::nullopt;
        return bgrFromQColor(colour);
    }
};

std::unique_ptr<CommonDialogService>& serviceSlot() {
    static std::unique_ptr<CommonDialogService> service;
    return service;
}

bool isPattern(const QString& name) {
    return name.contains('*') || name.contains('?');
}

} // namespace

CommonDialogService& commonDialogs() {
    auto& slot = serviceSlot();
    if (!slot)
        slot = std::make_unique<DesktopDialogs>();
    return *slot;
}

void setCommonDialogService(std::unique_ptr<CommonDialogService> service) {
    serviceSlot() = std::move(service);
}

QString qtFileFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        entries << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

QColor qColorFromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

std::uint32_t bgrFromQColor(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return std::uint32_t(rgb.red()) | std::uint32_t(rgb.green()) << 8 |
           std::uint32_t(rgb.blue()) << 16;
}

bool CommonDialog::ShowOpen(QWidget* parent) {
    return showFile(parent, false);
}

bool CommonDialog::ShowSave(QWidget* parent) {
    return showFile(parent, true);
}

bool CommonDialog::showFile(QWidget* parent, bool save) {
    FileDialogRequest request;
    request.save = save;
    request.title = DialogTitle;
    request.filter = qtFileFilter(Filter);
    request.directory = InitDir;
    // A pattern chooses the filter entry that holds it; a name is proposed as the file name.
    const QStringList parts = Filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        if (request.selectedFilter.isEmpty() &&
            parts[i + 1].split(';').contains(FileName, Qt::CaseInsensitive))
            request.selectedFilter = qtFileFilter(parts[i] + "|" + parts[i + 1]);
    if (!FileName.isEmpty() && !isPattern(FileName))
        request.fileName = FileName;
    const std::optional<QString> chosen = commonDialogs().chooseFile(parent, request);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

bool CommonDialog::ShowColor(QWidget* parent) {
    const std::optional<std::uint32_t> chosen = commonDialogs().chooseColour(parent, Color);
    if (!chosen)
        return false;
    Color = *chosen;
    return true;
}

} // namespace pw2
