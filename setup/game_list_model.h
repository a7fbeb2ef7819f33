// The match list's rows, served from the match catalogue: only the rows on screen are ever
// decoded, so a file of 500,000 games lists at once. A filter of words narrows the rows to the
// games whose White, Black, Event, Site or Date tags hold every word; each row keeps its game's
// own number.
#pragma once

#include "setup/match_catalog.h"

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace pw2 {

class GameListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Replaces every row and drops the filter; an empty catalogue empties the list.
    void setCatalog(std::shared_ptr<const MatchCatalog> catalog);
    const MatchCatalog* catalog() const { return catalog_.get(); }
    // The number of games listed, shown or not.
    int gameCount() const;

    // Shows only the games whose tags hold each word of words (split at white space, without
    // regard to case); blank words show every game.
    void setFilter(const QString& words);
    bool isFiltered() const { return filtered_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The game (0-based) shown in row, and the row showing game (-1 when it is not shown).
    int gameAt(int row) const;
    int rowOf(int game) const;

    // The entry of row as one line: its game's number, decoded, its line breaks shown as spaces,
    // cut to a screen's width.
    QString rowText(int row) const;
    // The whole entry of game (0-based) with its line breaks (a very long one is cut, marked
    // with "...").
    QString fullText(int game) const;

private:
    std::shared_ptr<const MatchCatalog> catalog_;
    bool filtered_ = false;
    QString filter_;                   // the words the shown games were found by
    std::vector<std::uint32_t> shown_; // the games shown while filtered, in file order
};

} // namespace pw2
