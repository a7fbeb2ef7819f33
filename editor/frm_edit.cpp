#include "editor/frm_edit.h"

#include "collections/collection_cache.h"
#include "pgn/engine.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/text_codec.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace pw2 {
namespace {

const char* const kNoFile = "File name :";
const char* const kFilePrefix = "File name : ";
const char* const kInvalidMove = "  Invalid Move           ";
const char* const kExitUnsaved = "The game is not saved, are you sure you wish to exit? ";
const char* const kCancelUnsaved = "The game is not saved, are you sure you  want to cancel it ?";
const char* const kCaution =
    "Caution. If you are editing this game from an existing file, all comments in the current "
    "game will be removed. Are you sure you want to continue?";
const char* const kNoMoves = "There are no moves in this game, it can't be saved";
const char* const kIncomplete =
    "Games Information is incomplete, are you sure you want to save it?";

// The tags of the five fields, in the order of tagFields().
constexpr std::array<std::string_view, 5> kTagNames = {"Event", "Site", "Date", "White", "Black"};

// The PGN engine's messages about the game being opened, shown in the program's message boxes.
class MessageHost final : public pgn::Host {
public:
    explicit MessageHost(QWidget* parent) : parent_(parent) {}
    void setStatus(std::string_view) override {}
    void showMessage(std::string_view text, pgn::Icon icon) override {
        const MsgIcon shown = icon == pgn::Icon::Critical   ? MsgIcon::Critical
                              : icon == pgn::Icon::Question ? MsgIcon::Question
                                                            : MsgIcon::None;
        pw2::showMessage(decodeFileText(text), shown, MsgButtons::Ok, parent_);
    }

private:
    QWidget* parent_;
};

// The editor's whole check of a typed move: it is not empty.
bool isMove(const QString& move) {
    return !move.isEmpty();
}

bool askYesNo(const char* question, QWidget* parent) {
    return showMessage(QString::fromUtf8(question), MsgIcon::Question, MsgButtons::YesNo, parent) ==
           MsgAnswer::Yes;
}

// Replaces the file at path with bytes in one step: the bytes go in full to a temporary file in
// the same folder, reach the disk, and the temporary file then takes the old file's name. A
// failure at any point leaves the old file whole. Returns the system's reason for a failure, or
// an empty text.
//
// The temporary file is written unbuffered: a write that the disk refuses part way (a full disk,
// a size limit) is seen here, where the next write reports the reason, instead of in a flush
// inside commit() that would let a shortened file take the old one's place.
QString replaceFile(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const char* next = bytes.data();
    qint64 left = qint64(bytes.size());
    while (left > 0) {
        const qint64 written = file.write(next, left);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        next += written;
        left -= written;
    }
    if (::fsync(file.handle()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace

frmEdit::frmEdit(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("Pawnwatch 2.0  - PGN editor"));
    fileDialog_.DialogTitle = QStringLiteral("Choose PGN file");
    fileDialog_.Filter = QStringLiteral("PGN file|*.pgn|Text file|*.txt|Allfiles|*.*");
    buildGameInfoPanel();
    buildMovesPanel();
    buildWindow();
    clear(GameDocument{});
    fileNameLabel_->setText(QString::fromUtf8(kNoFile));
}

void frmEdit::buildGameInfoPanel() {
    gameInfoPanel_ = new QGroupBox(QStringLiteral("Game Information"), this);
    gameInfoPanel_->setObjectName(QStringLiteral("gameInfoPanel"));
    auto* tags = new QFormLayout(gameInfoPanel_);
    const auto addTag = [&](const char* caption, const char* name) {
        auto* edit = new QLineEdit(gameInfoPanel_);
        edit->setObjectName(QLatin1String(name));
        tags->addRow(QString::fromUtf8(caption), edit);
        return edit;
    };
    eventEdit_ = addTag("Event :", "eventEdit");
    whiteEdit_ = addTag("White Player :", "whiteEdit");
    blackEdit_ = addTag("Black Player :", "blackEdit");
    dateEdit_ = addTag("Date :", "dateEdit");
    siteEdit_ = addTag("Site :", "siteEdit");
    for (QLineEdit* field : tagFields())
        connect(field, &QLineEdit::textEdited, this, &frmEdit::noteChange);
}

std::array<QLineEdit*, 5> frmEdit::tagFields() const {
    return {eventEdit_, siteEdit_, dateEdit_, whiteEdit_, blackEdit_};
}

// The move line reads like the entries below it: number, White's move, Black's move.
void frmEdit::buildMovesPanel() {
    movesPanel_ = new QGroupBox(QStringLiteral("Moves"), this);
    movesPanel_->setObjectName(QStringLiteral("movesPanel"));
    moveNumberLabel_ = new QLabel(movesPanel_);
    moveNumberLabel_->setObjectName(QStringLiteral("moveNumberLabel"));
    moveNumberLabel_->setMinimumWidth(40);
    whiteMoveEdit_ = new QLineEdit(movesPanel_);
    whiteMoveEdit_->setObjectName(QStringLiteral("whiteMoveEdit"));
    blackMoveEdit_ = new QLineEdit(movesPanel_);
    blackMoveEdit_->setObjectName(QStringLiteral("blackMoveEdit"));
    for (QLineEdit* box : {whiteMoveEdit_, blackMoveEdit_})
        box->setFixedWidth(80);
    updateButton_ = new QPushButton(QStringLiteral("Update"), movesPanel_);
    updateButton_->setObjectName(QStringLiteral("updateButton"));
    newMoveButton_ = new QPushButton(QStringLiteral("New move"), movesPanel_);
    newMoveButton_->setObjectName(QStringLiteral("newMoveButton"));
    moveList_ = new QListWidget(movesPanel_);
    moveList_->setObjectName(QStringLiteral("moveList"));
    moveList_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    moveList_->setSelectionMode(QAbstractItemView::SingleSelection);
    moveList_->setMinimumHeight(160);
    auto* moveLine = new QHBoxLayout;
    moveLine->addWidget(moveNumberLabel_);
    moveLine->addWidget(whiteMoveEdit_);
    moveLine->addWidget(blackMoveEdit_);
    moveLine->addWidget(updateButton_);
    moveLine->addWidget(newMoveButton_);
    moveLine->addStretch();
    auto* moves = new QVBoxLayout(movesPanel_);
    moves->addLayout(moveLine);
    moves->addWidget(moveList_, 1);

    connect(updateButton_, &QPushButton::clicked, this, &frmEdit::storeMove);
    connect(newMoveButton_, &QPushButton::clicked, this, &frmEdit::startNewMove);
    // A line chosen with the mouse or the keyboard, and a click on the line already chosen.
    connect(moveList_, &QListWidget::itemSelectionChanged, this, &frmEdit::loadChosenMove);
    connect(moveList_, &QListWidget::itemClicked, this, &frmEdit::loadChosenMove);
}

// The two panels, the save and finish buttons, and the file's name at the bottom.
void frmEdit::buildWindow() {
    saveButton_ = new QPushButton(QStringLiteral("Save Game"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveAsButton_ = new QPushButton(QStringLiteral("Save As..."), this);
    saveAsButton_->setObjectName(QStringLiteral("saveAsButton"));
    finishButton_ = new QPushButton(QStringLiteral("Finish"), this);
    finishButton_->setObjectName(QStringLiteral("finishButton"));
    fileNameLabel_ = new QLabel(this);
    fileNameLabel_->setObjectName(QStringLiteral("fileNameLabel"));
    fileNameLabel_->setTextFormat(Qt::PlainText);
    fileNameLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveButton_);
    buttons->addWidget(saveAsButton_);
    buttons->addStretch();
    buttons->addWidget(finishButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gameInfoPanel_);
    layout->addWidget(movesPanel_, 1);
    layout->addLayout(buttons);
    layout->addWidget(fileNameLabel_);

    connect(saveButton_, &QPushButton::clicked, this, &frmEdit::save);
    connect(saveAsButton_, &QPushButton::clicked, this, &frmEdit::saveAs);
    connect(finishButton_, &QPushButton::clicked, this, &frmEdit::finish);
}

QString frmEdit::fromFileText(std::string_view bytes) const {
    return fileUtf8_ ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                     : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string frmEdit::toFileText(const QString& text) const {
    return encodeFileText(text, fileUtf8_);
}

void frmEdit::clear(const GameDocument& document) {
    for (QLineEdit* box :
         {eventEdit_, whiteEdit_, blackEdit_, dateEdit_, siteEdit_, whiteMoveEdit_, blackMoveEdit_})
        box->clear();
    moveList_->clear();
    moveNumberLabel_->setText(QString::number(currentMove_) + ".");
    moves_ = loadedMoves_ = GameMoves{};
    loadedTags_ = {};
    saveButton_->setEnabled(false);
    saved_ = true;
    textBefore_ = document.textBefore;
    textAfter_ = document.textAfter;
    game_ = document.game;
    newGame_ = document.game.empty();
    fileUtf8_ = document.utf8;
    knownFiles_.clear();
    const QString path = trimSpaces(document.path);
    if (!path.isEmpty())
        knownFiles_.emplace_back(path, std::initializer_list<std::string_view>{
                                           document.textBefore, document.game, document.textAfter});
    setFilePath(document.path);
}

void frmEdit::openGame(const GameDocument& document) {
    clear(document);
    const GameLayout layout = readLayout(game_);
    const std::array<QLineEdit*, 5> fields = tagFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const TagPair* tag = findTagPair(layout, kTagNames[i]);
        loadedTags_[i] = tag ? fromFileText(tag->value) : QString();
        fields[i]->setText(loadedTags_[i]);
    }

    // Shown over the window that opens the game: this one is not on screen yet.
    MessageHost host(parentWidget() ? parentWidget() : this);
    moves_ = loadedMoves_ = editorMoves(game_, host).moves;
    for (int row = 0; row < int(moves_.pairs.size()); ++row)
        moveList_->addItem(lineFor(row));
    currentMove_ = moves_.first + std::int32_t(moves_.pairs.size());
    moveNumberLabel_->setText(QString::number(currentMove_) + ".");
    showModeless();
}

void frmEdit::newGame(const GameDocument& document) {
    currentMove_ = 1;
    clear(document);
    showModal();
}

void frmEdit::setFilePath(const QString& path) {
    filePath_ = path;
    fileNameLabel_->setText(QString::fromUtf8(kFilePrefix) + path);
}

void frmEdit::noteFile(const QString& path, std::string_view bytes) {
    std::erase_if(knownFiles_, [&](const FileStamp& known) { return known.names(path); });
    knownFiles_.emplace_back(path, bytes);
}

bool frmEdit::unchangedSinceKnown(const QString& path) const {
    for (const FileStamp& known : knownFiles_)
        if (known.names(path))
            return known.stillHolds(path);
    return true;
}

QString frmEdit::lineFor(int row) const {
    const MovePair& pair = moves_.pairs[std::size_t(row)];
    const std::string caption = std::to_string(std::int64_t(moves_.first) + row) + ".";
    QString line = fromFileText(composeEntry(caption, pair.white, pair.black));
    if (row + 1 == int(moves_.pairs.size()) && !moves_.result.empty())
        line += QLatin1Char(' ') + fromFileText(moves_.result);
    return line;
}

void frmEdit::noteChange() {
    saved_ = false;
    saveButton_->setEnabled(true);
}

void frmEdit::startNewMove() {
    whiteMoveEdit_->clear();
    blackMoveEdit_->clear();
    currentMove_ = moves_.first + std::int32_t(moves_.pairs.size());
    moveNumberLabel_->setText(QString::number(currentMove_) + ".");
}

void frmEdit::storeMove() {
    if (!isMove(whiteMoveEdit_->text()) || !isMove(blackMoveEdit_->text())) {
        showMessage(QString::fromUtf8(kInvalidMove), MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    MovePair pair{toFileText(whiteMoveEdit_->text()), toFileText(blackMoveEdit_->text())};
    // The pair of the current move number is replaced; one past the last pair, or a number that
    // names no pair, adds the pair at the end.
    const std::int64_t row = std::int64_t(currentMove_) - moves_.first;
    const int count = int(moves_.pairs.size());
    if (row >= 0 && row < count) {
        moves_.pairs[std::size_t(row)] = std::move(pair);
    } else {
        moves_.pairs.push_back(std::move(pair));
        moveList_->addItem(QString());
    }
    const int changed = row >= 0 && row < count ? int(row) : count;
    // A marker typed after the last move is the game's result from now on.
    const MovePair& last = moves_.pairs.back();
    if (changed + 1 == int(moves_.pairs.size()))
        if (isTerminationMarker(last.black.empty() ? last.white : last.black))
            moves_.result.clear();
    moveList_->item(changed)->setText(lineFor(changed));
    // The line that was the last one no longer shows the result after it.
    if (count > 0 && changed != count - 1)
        moveList_->item(count - 1)->setText(lineFor(count - 1));
    noteChange();
    saveAsButton_->setEnabled(true);
    startNewMove();
    whiteMoveEdit_->setFocus();
}

void frmEdit::loadChosenMove() {
    const int row = moveList_->currentRow();
    if (row < 0 || row >= int(moves_.pairs.size()) || moveList_->selectedItems().isEmpty())
        return;
    const MovePair& pair = moves_.pairs[std::size_t(row)];
    currentMove_ = moves_.first + row;
    moveNumberLabel_->setText(QString::number(currentMove_) + ".");
    whiteMoveEdit_->setText(fromFileText(pair.white));
    blackMoveEdit_->setText(fromFileText(pair.black));
}

// The caption then reads "File name :" with nothing after it.
bool frmEdit::hasNoFile() const {
    return trimSpaces(filePath_).isEmpty();
}

void frmEdit::save() {
    if (hasNoFile()) {
        CommonDialog& dialog = fileDialog_;
        dialog.InitDir = appPath();
        dialog.FileName = QStringLiteral("*.pgn");
        if (!dialog.ShowSave(this))
            return;
        setFilePath(dialog.FileName);
    }
    if (askYesNo(kCaution, this))
        writeGame(filePath_);
}

void frmEdit::saveAs() {
    CommonDialog& dialog = fileDialog_;
    dialog.InitDir = appPath();
    dialog.FileName = QStringLiteral("*.pgn");
    if (!dialog.ShowSave(this))
        return;
    writeGame(dialog.FileName);
}

bool frmEdit::writeGame(QString path) {
    if (moves_.pairs.empty()) {
        showMessage(QString::fromUtf8(kNoMoves), MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }
    for (const QLineEdit* tag : {eventEdit_, siteEdit_, dateEdit_, whiteEdit_, blackEdit_}) {
        if (tag->text().isEmpty()) {
            if (!askYesNo(kIncomplete, this))
                return false;
            break;
        }
    }
    path = trimSpaces(path);
    // A compressed file, an archive or a folder of games is no PGN file to write into: the game
    // would take the place of every game it holds.
    if (collections::isPackedCollection(QFile::encodeName(path).toStdString())) {
        showMessage(QStringLiteral("\"%1\" is a compressed collection, which the editor does not "
                                   "write into. Nothing was written; Save As... keeps the game in "
                                   "a .pgn file.")
                        .arg(path),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }
    // textBefore_ and textAfter_ hold the file as it was read; written over a file that another
    // program has changed since, they would undo its changes or cut into its games.
    if (!unchangedSinceKnown(path)) {
        showMessage(QStringLiteral("The file \"%1\" was changed by another program since the game "
                                   "was opened. Nothing was written; Save As... keeps the game in "
                                   "another file.")
                        .arg(path),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }

    const std::string bytes = composeFile();
    const QString reason = replaceFile(path, bytes);
    if (!reason.isEmpty()) {
        showMessage(QStringLiteral("The file \"%1\" cannot be written: %2").arg(path, reason),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }
    noteFile(path, bytes);
    // The file now holds the game as written: the next save starts from it.
    if (newGame_)
        textBefore_ += newGameSeparator(textBefore_, lineEnding({}, textBefore_, textAfter_));
    game_ = bytes.substr(textBefore_.size(), bytes.size() - textBefore_.size() - textAfter_.size());
    newGame_ = false;
    loadedMoves_ = moves_;
    const std::array<QLineEdit*, 5> fields = tagFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        loadedTags_[i] = fields[i]->text();
    saveButton_->setEnabled(false);
    setFilePath(path);
    saved_ = true;
    emit saved(path);
    return true;
}

// The game is written where it stood: a tag the user changed gets a new tag pair in its place,
// and the movetext is written anew when the moves changed, without the comments, variations and
// glyphs the editor does not keep; every other byte stays as the file had it.
std::string frmEdit::composeFile() const {
    const std::string_view eol = lineEnding(game_, textBefore_, textAfter_);
    const std::array<QLineEdit*, 5> fields = tagFields();
    std::vector<TagEdit> tags;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (newGame_ || fields[i]->text() != loadedTags_[i])
            tags.push_back({kTagNames[i], toFileText(fields[i]->text())});
    const std::string movetext = writeMovetext(moves_, eol);
    std::string file;
    if (newGame_) {
        const std::string game = newGameText(tags, movetext, eol);
        const std::string separator = newGameSeparator(textBefore_, eol);
        file.reserve(textBefore_.size() + separator.size() + game.size() + textAfter_.size());
        file.append(textBefore_).append(separator).append(game);
    } else {
        const bool keepMoves = moves_ == loadedMoves_;
        const std::string game = rewriteGame(game_, tags, keepMoves ? nullptr : &movetext, eol);
        file.reserve(textBefore_.size() + game.size() + textAfter_.size());
        file.append(textBefore_).append(game);
    }
    file.append(textAfter_);
    return file;
}

void frmEdit::finish() {
    if (hasNoFile()) {
        if (!askYesNo(kExitUnsaved, this))
            return;
    } else {
        emit finished(filePath_);
    }
    close();
}

void frmEdit::closeEvent(QCloseEvent* event) {
    if (!saved_ && !askYesNo(kCancelUnsaved, this)) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void frmEdit::placeByOwner() {
    const QWidget* owner = parentWidget();
    if (!owner || !owner->isVisible() || !owner->screen())
        return;
    ensurePolished();
    const QSize size = sizeHint().expandedTo(minimumSizeHint()).expandedTo(this->size());
    resize(size);
    const QRect area = owner->screen()->availableGeometry();
    const QRect beside = owner->frameGeometry();
    QPoint at;
    if (beside.right() + 1 + size.width() <= area.right() + 1)
        at = QPoint(beside.right() + 1, beside.top());
    else if (beside.left() - size.width() >= area.left())
        at = QPoint(beside.left() - size.width(), beside.top());
    else
        at = beside.center() - QPoint(size.width() / 2, size.height() / 2);
    at.setX(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    at.setY(
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    move(at);
}

void frmEdit::showModal() {
    hide();
    placeByOwner();
    setWindowModality(Qt::ApplicationModal);
    QPointer<frmEdit> self(this);
    QEventLoop loop;
    connect(this, &frmEdit::closed, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    loop.exec(QEventLoop::DialogExec);
    if (self)
        setWindowModality(Qt::NonModal);
}

void frmEdit::showModeless() {
    if (isModal()) {
        raise();
        return;
    }
    if (!isVisible())
        placeByOwner();
    show();
    raise();
    activateWindow();
}

} // namespace pw2
