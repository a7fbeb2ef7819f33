// The match list's rows, served from the game index: only the rows on screen are ever decoded, so
// a file of 100,000 games lists at once.
#pragma once

#include "pgnfile/game_index.h"

#include <QAbstractListModel>
#include <memory>

namespace pw2 {

class GameListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Replaces every row; an empty index empties the list.
    void setIndex(std::shared_ptr<const GameIndex> index);
    const GameIndex* gameIndex() const { return index_.get(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The entry as one row: decoded, its line breaks shown as spaces, cut to a screen's width.
    QString rowText(int row) const;
    // The whole entry with its line breaks (a very long one is cut, marked with "...").
    QString fullText(int row) const;

private:
    std::shared_ptr<const GameIndex> index_;
};

} // namespace pw2
