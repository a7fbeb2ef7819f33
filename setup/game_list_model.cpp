#include "setup/game_list_model.h"

#include "services/text_codec.h"

#include <QRegularExpression>
#include <algorithm>
#include <string>

namespace pw2 {
namespace {

// Longest part of an entry decoded for one row, and for the description.
constexpr std::size_t kRowBytes = 400;
constexpr std::size_t kFullBytes = 64 * 1024;
static_assert(MatchCatalog::kEntryKeep > kFullBytes, "the description must know it was cut");

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

QString prefix(int game) {
    return QString::number(game + 1) + QStringLiteral("- ");
}

// The words of text, case-folded, as UTF-8.
std::vector<std::string> wordsOf(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    std::vector<std::string> words;
    for (const QString& word : text.split(space, Qt::SkipEmptyParts)) {
        const QByteArray folded = word.toCaseFolded().toUtf8();
        words.emplace_back(folded.constData(), std::size_t(folded.size()));
    }
    // The longest word first: it rules most games out soonest.
    std::stable_sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    return words;
}

} // namespace

void GameListModel::setCatalog(std::shared_ptr<const MatchCatalog> catalog) {
    beginResetModel();
    catalog_ = std::move(catalog);
    filtered_ = false;
    filter_.clear();
    shown_ = {};
    endResetModel();
}

int GameListModel::gameCount() const {
    return catalog_ ? static_cast<int>(catalog_->size()) : 0;
}

void GameListModel::setFilter(const QString& words) {
    const std::vector<std::string> found = wordsOf(words);
    beginResetModel();
    if (found.empty() || !catalog_) {
        filtered_ = false;
        filter_.clear();
        shown_ = {};
    } else {
        // Typing on only adds to the words (every earlier word lies inside a word now), so only
        // the games already shown can still be found.
        const bool narrower = filtered_ && words.startsWith(filter_);
        std::vector<std::uint32_t> games = catalog_->find(found, narrower ? &shown_ : nullptr);
        shown_ = std::move(games);
        filtered_ = true;
        filter_ = words;
    }
    endResetModel();
}

int GameListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return filtered_ ? static_cast<int>(shown_.size()) : gameCount();
}

QVariant GameListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return rowText(index.row());
}

int GameListModel::gameAt(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return filtered_ ? static_cast<int>(shown_[std::size_t(row)]) : row;
}

int GameListModel::rowOf(int game) const {
    if (game < 0 || game >= gameCount())
        return -1;
    if (!filtered_)
        return game;
    const auto it = std::lower_bound(shown_.begin(), shown_.end(), std::uint32_t(game));
    return it != shown_.end() && *it == std::uint32_t(game) ? static_cast<int>(it - shown_.begin())
                                                            : -1;
}

QString GameListModel::rowText(int row) const {
    const int game = gameAt(row);
    bool wasCut = false;
    QString text = prefix(game) +
                   decodeFileText(cut(catalog_->entryBody(std::size_t(game)), kRowBytes, wasCut));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace('\n', ' ');
    text.replace('\r', ' ');
    return text;
}

QString GameListModel::fullText(int game) const {
    bool wasCut = false;
    QString text = prefix(game) +
                   decodeFileText(cut(catalog_->entryBody(std::size_t(game)), kFullBytes, wasCut));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    if (wasCut)
        text += QStringLiteral("...");
    return text;
}

} // namespace pw2
