#include "setup/game_list_model.h"

#include "services/text_codec.h"

#include <string>

namespace pw2 {
namespace {

// Longest part of an entry decoded for one row, and for the description.
constexpr std::size_t kRowBytes = 400;
constexpr std::size_t kFullBytes = 64 * 1024;

// At most limit bytes of text, cut before a UTF-8 continuation byte so that a valid UTF-8 text
// stays valid.
std::string_view cut(std::string_view text, std::size_t limit, bool& wasCut) {
    wasCut = text.size() > limit;
    if (!wasCut)
        return text;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

QString prefix(int row) {
    return QString::number(row + 1) + QStringLiteral("- ");
}

} // namespace

void GameListModel::setIndex(std::shared_ptr<const GameIndex> index) {
    beginResetModel();
    index_ = std::move(index);
    endResetModel();
}

int GameListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !index_)
        return 0;
    return static_cast<int>(index_->size());
}

QVariant GameListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return rowText(index.row());
}

QString GameListModel::rowText(int row) const {
    bool wasCut = false;
    QString text =
        prefix(row) + decodeFileText(cut(index_->entryBody(std::size_t(row)), kRowBytes, wasCut));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace('\n', ' ');
    text.replace('\r', ' ');
    return text;
}

QString GameListModel::fullText(int row) const {
    bool wasCut = false;
    QString text =
        prefix(row) + decodeFileText(cut(index_->entryBody(std::size_t(row)), kFullBytes, wasCut));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    if (wasCut)
        text += QStringLiteral("...");
    return text;
}

} // namespace pw2
