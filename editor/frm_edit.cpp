#include "editor/frm_edit.h"

#include "pgn/engine.h"
#include "pgnfile/game_writer.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/globals.h"
#include "services/text_codec.h"

#include <QCloseEvent>
#include <QEventLoop>
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
#include <QVBoxLayout>
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

    Frame1 = new QGroupBox(QStringLiteral("Game Information"), this);
    EventNm = new QLineEdit(Frame1);
    White = new QLineEdit(Frame1);
    Black = new QLineEdit(Frame1);
    DateNm = new QLineEdit(Frame1);
    Site = new QLineEdit(Frame1);
    auto* tags = new QFormLayout(Frame1);
    tags->addRow(QStringLiteral("Event :"), EventNm);
    tags->addRow(QStringLiteral("White Player :"), White);
    tags->addRow(QStringLiteral("Black Player :"), Black);
    tags->addRow(QStringLiteral("Date :"), DateNm);
    tags->addRow(QStringLiteral("Site :"), Site);

    // The move line reads like the entries below it: number, White's move, Black's move.
    Frame2 = new QGroupBox(QStringLiteral("Moves"), this);
    MoveNum = new QLabel(Frame2);
    MoveNum->setMinimumWidth(40);
    WhiteMove = new QLineEdit(Frame2);
    BlackMove = new QLineEdit(Frame2);
    for (QLineEdit* box : {WhiteMove, BlackMove})
        box->setFixedWidth(80);
    Update = new QPushButton(QStringLiteral("Update"), Frame2);
    New = new QPushButton(QStringLiteral("New move"), Frame2);
    List1 = new QListWidget(Frame2);
    List1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setMinimumHeight(160);
    auto* moveLine = new QHBoxLayout;
    moveLine->addWidget(MoveNum);
    moveLine->addWidget(WhiteMove);
    moveLine->addWidget(BlackMove);
    moveLine->addWidget(Update);
    moveLine->addWidget(New);
    moveLine->addStretch();
    auto* moves = new QVBoxLayout(Frame2);
    moves->addLayout(moveLine);
    moves->addWidget(List1, 1);

    Save = new QPushButton(QStringLiteral("Save Game"), this);
    SaveAs = new QPushButton(QStringLiteral("Save As..."), this);
    finish = new QPushButton(QStringLiteral("Finish"), this);
    FileName = new QLabel(QString::fromUtf8(kNoFile), this);
    FileName->setTextFormat(Qt::PlainText);
    FileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Save);
    buttons->addWidget(SaveAs);
    buttons->addStretch();
    buttons->addWidget(finish);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2, 1);
    layout->addLayout(buttons);
    layout->addWidget(FileName);

    connect(Update, &QPushButton::clicked, this, &frmEdit::Update_Click);
    connect(New, &QPushButton::clicked, this, &frmEdit::New_Click);
    connect(Save, &QPushButton::clicked, this, &frmEdit::Save_Click);
    connect(SaveAs, &QPushButton::clicked, this, &frmEdit::SaveAs_Click);
    connect(finish, &QPushButton::clicked, this, &frmEdit::finish_Click);
    // A line chosen with the mouse or the keyboard, and a click on the line already chosen.
    connect(List1, &QListWidget::itemSelectionChanged, this, &frmEdit::List1_Click);
    connect(List1, &QListWidget::itemClicked, this, &frmEdit::List1_Click);

    Form_Load();
}

QString frmEdit::fromFileText(std::string_view bytes) const {
    return fileUtf8_ ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                     : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string frmEdit::toFileText(const QString& text) const {
    return encodeFileText(text, fileUtf8_);
}

bool frmEdit::CheckMove(const QString& Movement) {
    return !Movement.isEmpty();
}

void frmEdit::Form_Load() {
    for (QLineEdit* box : {EventNm, White, Black, DateNm, Site, WhiteMove, BlackMove})
        box->clear();
    List1->clear();
    FileName->setText(QString::fromUtf8(kNoFile));
    MoveNum->setText(QString::number(currentEdMove_) + ".");
    MoveList.clear();
    Save->setEnabled(false);
    saved_ = true;
    knownFiles_.clear();
}

void frmEdit::setSourceFile(const QString& path, std::string_view bytes) {
    knownFiles_.clear();
    if (!trimSpaces(path).isEmpty())
        noteFile(trimSpaces(path), bytes);
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

std::string frmEdit::lineBytes(int row) const {
    return toFileText(List1->item(row)->text());
}

void frmEdit::New_Click() {
    WhiteMove->clear();
    BlackMove->clear();
    currentEdMove_ = std::int32_t(List1->count()) + 1;
    MoveNum->setText(QString::number(currentEdMove_) + ".");
}

void frmEdit::Update_Click() {
    if (!CheckMove(WhiteMove->text()) || !CheckMove(BlackMove->text())) {
        showMessage(QString::fromUtf8(kInvalidMove), MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    const QString entry = fromFileText(composeEntry(
        toFileText(MoveNum->text()), toFileText(WhiteMove->text()), toFileText(BlackMove->text())));
    // Line (current move - 1) is replaced; one past the last line, or a number that names no
    // line, adds the entry at the end.
    const std::int64_t row = std::int64_t(currentEdMove_) - 1;
    if (row >= 0 && row < List1->count())
        List1->item(int(row))->setText(entry);
    else
        List1->addItem(entry);

    std::vector<std::string> lines;
    lines.reserve(std::size_t(List1->count()));
    for (int i = 0; i < List1->count(); ++i)
        lines.push_back(lineBytes(i));
    MoveList = joinMoveList(lines);
    saved_ = false;
    ++currentEdMove_;
    Save->setEnabled(true);
    SaveAs->setEnabled(true);
    New_Click();
    WhiteMove->setFocus();
}

void frmEdit::List1_Click() {
    const QList<QListWidgetItem*> chosen = List1->selectedItems();
    if (chosen.isEmpty())
        return;
    const std::string entry = toFileText(chosen.front()->text());
    MoveNum->setText(fromFileText(entryCaption(entry)));
    WhiteMove->setText(fromFileText(pgn::WhiteColumn(entry)));
    BlackMove->setText(fromFileText(pgn::BlackColumn(entry)));
    currentEdMove_ = entryMoveNumber(entry);
}

bool frmEdit::hasNoFile() const {
    return trimSpaces(FileName->text()) == QLatin1String(kNoFile);
}

QString frmEdit::captionFile() const {
    return FileName->text().mid(11);
}

void frmEdit::Save_Click() {
    QString file;
    if (hasNoFile()) {
        CommonDialog& dialog = fileDialog_;
        dialog.InitDir = appPath();
        dialog.FileName = QStringLiteral("*.pgn");
        if (!dialog.ShowSave(this))
            return;
        file = dialog.FileName;
        FileName->setText(QString::fromUtf8(kFilePrefix) + file);
    } else {
        file = captionFile();
    }
    if (askYesNo(kCaution, this))
        DoSave(file);
}

void frmEdit::SaveAs_Click() {
    CommonDialog& dialog = fileDialog_;
    dialog.InitDir = appPath();
    dialog.FileName = QStringLiteral("*.pgn");
    if (!dialog.ShowSave(this))
        return;
    QString file = dialog.FileName;
    DoSave(file);
}

bool frmEdit::DoSave(QString& FileNm) {
    if (MoveList.empty()) {
        showMessage(QString::fromUtf8(kNoMoves), MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }
    for (const QLineEdit* tag : {EventNm, Site, DateNm, White, Black}) {
        if (tag->text().isEmpty()) {
            if (!askYesNo(kIncomplete, this))
                return false;
            break;
        }
    }
    FileNm = trimSpaces(FileNm);
    // TextBefore and TextAfter hold the file as it was read; written over a file that another
    // program has changed since, they would undo its changes or cut into its games.
    if (!unchangedSinceKnown(FileNm)) {
        showMessage(QStringLiteral("The file \"%1\" was changed by another program since the game "
                                   "was opened. Nothing was written; Save As... keeps the game in "
                                   "another file.")
                        .arg(FileNm),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }

    const GameTags tags{toFileText(EventNm->text()), toFileText(Site->text()),
                        toFileText(DateNm->text()), toFileText(White->text()),
                        toFileText(Black->text())};
    const auto& g = globals();
    const std::string bytes = composeGameFile(g.TextBefore, tags, MoveList, g.TextAfter);
    const QString reason = replaceFile(FileNm, bytes);
    if (!reason.isEmpty()) {
        showMessage(QStringLiteral("The file \"%1\" cannot be written: %2").arg(FileNm, reason),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return false;
    }
    noteFile(FileNm, bytes);
    Save->setEnabled(false);
    FileName->setText(QString::fromUtf8(kFilePrefix) + FileNm);
    saved_ = true;
    return true;
}

void frmEdit::finish_Click() {
    if (hasNoFile()) {
        if (!askYesNo(kExitUnsaved, this))
            return;
    } else {
        emit finished(captionFile());
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

void frmEdit::showModal() {
    hide();
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
    show();
    raise();
    activateWindow();
}

} // namespace pw2
