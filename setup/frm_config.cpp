#include "setup/frm_config.h"

#include "editor/frm_edit.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_index.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/file_bytes.h"
#include "services/globals.h"
#include "services/match_table.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"
#include "setup/frm_about.h"
#include "setup/game_list_model.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pw2 {
namespace {

constexpr int kSettingsWidth = 4230; // twips
constexpr int kMatchWidth = 8250;    // twips

const char* const kFileNotFound = "The specfied PGN file is not found, Loading Default";
const char* const kDefaultNotFound = "Default File Not found, please specify a PGN file";
const char* const kNoGames = "No games to edit. Please select \"New Game\" or \"PGN import\"";

// The times the settings panel stores, in seconds: from one millisecond, the saver's smallest
// timer step, to one day, far inside the 32-bit millisecond interval the saver turns them into
// (secondsToInterval stops at 2,147,483,647 ms, about 24.8 days).
constexpr double kMinSeconds = 0.001;
constexpr double kMaxSeconds = 86400;

// True when text is a time the panel stores: digits with at most one decimal point, blanks
// around them allowed, whose value lies in the range above. The saver reads such a text as that
// number (lenientNumber); text it would read otherwise, such as "1 5" or "2s", is refused.
bool isSecondsText(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*([0-9]+(\\.[0-9]*)?|\\.[0-9]+)[ \\t]*$"));
    if (!number.match(text).hasMatch())
        return false;
    const double seconds = lenientNumber(text.toStdString());
    return seconds >= kMinSeconds && seconds <= kMaxSeconds;
}

// A field's name as the panel labels it: the label's text without the colon after it.
QString fieldName(const QLabel* label) {
    QString name = label->text();
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

// The hourglass pointer for as long as it lives.
class WaitPointer {
public:
    WaitPointer() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitPointer() { QGuiApplication::restoreOverrideCursor(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// The PGN engine's messages, shown in the program's message boxes.
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

QLabel* label(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

QPushButton* button(const char* text, QWidget* parent) {
    return new QPushButton(QString::fromUtf8(text), parent);
}

} // namespace

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setBackColor(0);
}

void ColourSwatch::setBackColor(std::uint32_t bgr) {
    colour_ = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, qColorFromBgr(bgr));
    setPalette(p);
}

frmConfig::frmConfig(QWidget* parent) : QWidget(parent), model_(new GameListModel(this)) {
    setWindowTitle(QStringLiteral("Pawnwatch 2.0 Setup"));
    File.DialogTitle = QStringLiteral("Choose PGN file");
    File.Filter = QStringLiteral("PGN file|*.pgn|Text file|*.txt|Allfiles|*.*");
    File.FileName = QStringLiteral("*.pgn");

    // The settings panel, top to bottom: the file line with the path under it, the two timer
    // lines, the colour line, the two check boxes, and OK and About... side by side.
    Frame3 = new QGroupBox(QStringLiteral("Settings"), this);
    Label6 = label("PGN file :", Frame3);
    Change = button("...", Frame3);
    Change->setFixedWidth(32);
    Location = new QLabel(Frame3);
    Location->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label3 = label("Time between moves :", Frame3);
    Text1 = new QLineEdit(QStringLiteral("2"), Frame3);
    Label4 = label("Second(s)", Frame3);
    Label7 = label("Time between games :", Frame3);
    Text2 = new QLineEdit(QStringLiteral("10"), Frame3);
    Label8 = label("Second(s)", Frame3);
    for (QLineEdit* box : {Text1, Text2})
        box->setFixedWidth(34);
    Label5 = label("Text Color :", Frame3);
    Picture1 = new ColourSwatch(Frame3);
    Picture1->setFixedSize(34, 20);
    Command3 = button("Change...", Frame3);
    Check1 = new QCheckBox(QStringLiteral("Show move list"), Frame3);
    random = new QCheckBox(QStringLiteral("Play games in random order"), Frame3);
    OK2 = button("OK", Frame3);
    Command2 = button("About...", Frame3);

    auto* settingsGrid = new QGridLayout(Frame3);
    settingsGrid->setContentsMargins(4, 4, 4, 4);
    settingsGrid->setHorizontalSpacing(4);
    settingsGrid->addWidget(Label6, 0, 0, 1, 2);
    settingsGrid->addWidget(Change, 0, 2, Qt::AlignRight);
    settingsGrid->addWidget(Location, 1, 0, 1, 3);
    settingsGrid->addWidget(Label3, 2, 0);
    settingsGrid->addWidget(Text1, 2, 1);
    settingsGrid->addWidget(Label4, 2, 2);
    settingsGrid->addWidget(Label7, 3, 0);
    settingsGrid->addWidget(Text2, 3, 1);
    settingsGrid->addWidget(Label8, 3, 2);
    settingsGrid->addWidget(Label5, 4, 0);
    settingsGrid->addWidget(Picture1, 4, 1);
    settingsGrid->addWidget(Command3, 4, 2);
    settingsGrid->addWidget(Check1, 5, 0, 1, 3);
    settingsGrid->addWidget(random, 6, 0, 1, 3);
    auto* settingsButtons = new QHBoxLayout;
    settingsButtons->addWidget(OK2);
    settingsButtons->addWidget(Command2);
    settingsGrid->addLayout(settingsButtons, 7, 0, 1, 3);

    // The match panel: the list with its two labels above and Edit Game and New Game below on
    // the left; the description at the top right with PGN Import..., OK and Cancel beneath it.
    Frame1 = new QGroupBox(QStringLiteral("Select match"), this);
    Label1 = label("Match list :", Frame1);
    Match = label("Match 1 will be played first", Frame1);
    QSizePolicy keepPlace = Match->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Match->setSizePolicy(keepPlace);
    Match->hide();
    List1 = new QListView(Frame1);
    List1->setModel(model_);
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setMinimumHeight(200);
    connect(List1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { List1_Click(); });
    Edit = button("Edit Game", Frame1);
    New = button("New Game", Frame1);
    Frame2 = new QGroupBox(QStringLiteral("Match Description"), Frame1);
    Label2 = label("No match selected", Frame2);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* description = new QScrollArea(Frame2);
    description->setFrameShape(QFrame::NoFrame);
    description->setWidgetResizable(true);
    description->setWidget(Label2);
    auto* frame2Layout = new QVBoxLayout(Frame2);
    frame2Layout->addWidget(description);
    Command1 = button("PGN Import...", Frame1);
    OK = button("OK", Frame1);
    OK->setEnabled(false);
    Cancel = button("Cancel", Frame1);

    auto* left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addWidget(Match);
    left->addWidget(List1, 1);
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(Edit);
    editButtons->addWidget(New);
    left->addLayout(editButtons);
    auto* right = new QVBoxLayout;
    right->addWidget(Frame2, 1);
    right->addWidget(Command1);
    right->addWidget(OK);
    right->addWidget(Cancel);
    auto* matchLayout = new QHBoxLayout(Frame1);
    matchLayout->addLayout(left, 3);
    matchLayout->addLayout(right, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Frame3);
    layout->addWidget(Frame1);

    connect(Change, &QPushButton::clicked, this, &frmConfig::Change_Click);
    connect(Command3, &QPushButton::clicked, this, &frmConfig::Command3_Click);
    connect(OK2, &QPushButton::clicked, this, &frmConfig::OK2_Click);
    connect(Command2, &QPushButton::clicked, this, &frmConfig::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &frmConfig::Command1_Click);
    connect(OK, &QPushButton::clicked, this, &frmConfig::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmConfig::Cancel_Click);
    connect(Edit, &QPushButton::clicked, this, &frmConfig::Edit_Click);
    connect(New, &QPushButton::clicked, this, &frmConfig::New_Click);

    showPanel(false);
    if (QScreen* s = screen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
    Form_Load();
}

frmConfig::~frmConfig() = default;

int frmConfig::twipsToPixels(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

QString frmConfig::defaultFile() const {
    return appPath() + QStringLiteral("default.pgn");
}

void frmConfig::showPanel(bool matchPanel) {
    Frame3->setVisible(!matchPanel);
    Frame1->setVisible(matchPanel);
    const int w = twipsToPixels(matchPanel ? kMatchWidth : kSettingsWidth);
    layout()->invalidate();
    layout()->activate();
    int h = std::max(layout()->totalSizeHint().height(), layout()->totalMinimumSize().height());
    if (layout()->hasHeightForWidth())
        h = std::max(h, layout()->totalHeightForWidth(w));
    setFixedSize(w, h);
    if (QScreen* s = screen())
        move(s->geometry().x() + (s->geometry().width() - w) / 2, y());
}

int frmConfig::listCount() const {
    return model_->rowCount();
}

int frmConfig::listIndex() const {
    const QModelIndex current = List1->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

const GameIndex* frmConfig::gameIndex() const {
    return model_->gameIndex();
}

void frmConfig::Form_Load() {
    auto& store = settings();
    if (!globals().MissingGameFile) {
        Location->setText(store.text(setting::PgnFile, defaultFile()));
        if (!fileExists(Location->text())) {
            showMessage(QString::fromUtf8(kFileNotFound), MsgIcon::Critical, MsgButtons::Ok, this);
            if (!fileExists(defaultFile()))
                showMessage(QString::fromUtf8(kDefaultNotFound), MsgIcon::Critical, MsgButtons::Ok,
                            this);
            else
                Location->setText(defaultFile());
        }
        Location->setToolTip(Location->text());
    }
    Check1->setChecked(roundToInt64(store.number(setting::MoveList)) != 0);
    Picture1->setBackColor(colourNumber(store.number(setting::TextColor)));
    Text1->setText(store.text(setting::Timer));
    Text2->setText(store.text(setting::Timer2));
    random->setChecked(strictInteger(store.text(setting::Random).toStdString()).value_or(0) != 0);
}

bool frmConfig::readFile(const QString& path, std::string& bytes) {
    QString reason;
    bool read = false;
    {
        const WaitPointer wait;
        read = readFileBytes(path, bytes, &reason);
    }
    if (!read)
        showMessage(QStringLiteral("The file \"%1\" cannot be read: %2").arg(path, reason),
                    MsgIcon::Critical, MsgButtons::Ok, this);
    return read;
}

frmConfig::Listing frmConfig::listGames(QString& path) {
    const QString trimmed = trimSpaces(path);
    // A folder, a device or a pipe is there but is no game file: reading refuses it, with the
    // reason, instead of passing over it as a missing file.
    if (trimmed.isEmpty() || !QFileInfo::exists(trimmed))
        return Listing::NoFile;
    std::string bytes;
    if (!readFile(trimmed, bytes))
        return Listing::Unreadable;
    path = trimmed;
    listText(std::move(bytes));
    return Listing::Listed;
}

void frmConfig::listText(std::string bytes) {
    const WaitPointer wait;
    auto index = std::make_shared<const GameIndex>(std::move(bytes));
    model_->setIndex(index);
    if (index->empty()) {
        Label2->setText(QStringLiteral("No match selected"));
        QSizePolicy keepPlace = Match->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        Match->setSizePolicy(keepPlace);
        Match->hide();
        return;
    }
    OK->setEnabled(true);
    List1->selectionModel()->setCurrentIndex(model_->index(0, 0),
                                             QItemSelectionModel::ClearAndSelect);
    GameSpans = index->spans();
}

void frmConfig::GetGames(QString& path) {
    listGames(path);
}

void frmConfig::List1_Click() {
    const int row = listIndex();
    if (row < 0)
        return;
    Label2->setText(model_->fullText(row));
    Match->setText(QStringLiteral("Match %1 will be played first").arg(row + 1));
    Match->show();
}

void frmConfig::Change_Click() {
    showPanel(true);
    const QString before = CurrentFile;
    CurrentFile = settings().text(setting::PgnFile, defaultFile());
    if (listGames(CurrentFile) == Listing::Unreadable)
        CurrentFile = before;
}

void frmConfig::Cancel_Click() {
    showPanel(false);
}

void frmConfig::OK_Click() {
    replaceMatchTable(settings(), CurrentFile, GameSpans, listCount(), listIndex());
    Form_Load();
    showPanel(false);
}

void frmConfig::Command1_Click() {
    OK->setEnabled(false);
    File.InitDir = appPath();
    File.FileName = QStringLiteral("*.pgn");
    if (!File.ShowOpen(this))
        return;
    const QString before = CurrentFile;
    CurrentFile = File.FileName;
    if (listGames(CurrentFile) == Listing::Unreadable)
        CurrentFile = before;
}

frmEdit* frmConfig::openEditor() {
    if (!editor_) {
        editor_ = new frmEdit(this);
        // Finish lists the edited file's games again and makes it the current file.
        connect(editor_, &frmEdit::finished, this, [this](QString path) {
            GetGames(path);
            CurrentFile = trimSpaces(path);
        });
    }
    return editor_;
}

bool frmConfig::editorMayBeRefilled() {
    return !editor_ || editor_->isHidden() || editor_->isSaved() || editor_->close();
}

void frmConfig::New_Click() {
    std::string before;
    if (!CurrentFile.isEmpty() && !readFile(CurrentFile, before))
        return;
    if (!editorMayBeRefilled())
        return;
    auto& g = globals();
    g.TextBefore = std::move(before);
    g.TextAfter.clear();
    frmEdit* editor = openEditor();
    editor->setCurrentEdMove(1);
    editor->Form_Load();
    editor->setSourceFile(CurrentFile, g.TextBefore);
    editor->setFileUtf8(isValidUtf8(g.TextBefore));
    editor->FileName->setText(QStringLiteral("File name : ") + CurrentFile);
    editor->showModal();
}

void frmConfig::Edit_Click() {
    if (listCount() == 0) {
        showMessage(QString::fromUtf8(kNoGames), MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    std::string text;
    if (!readFile(CurrentFile, text))
        return;
    const int row = std::max(listIndex(), 0);
    const auto k = std::size_t(row);
    // The game must still lie where it was listed, with the bytes it was listed with: a game that
    // grew, shrank or moved since would be cut at its old end, and saving it would leave part of
    // it, or of the next game, behind in the file; another game in its place is not the game the
    // user chose. The games are listed again from what was just read, the same game number
    // chosen, and the user looks at the list before editing.
    const GameIndex* index = gameIndex();
    const bool asListed = index && k < GameSpans.size() && k < index->size() &&
                          spanDelimitsGame(text, GameSpans[k]) &&
                          pgn::gameText(text, GameSpans[k]) == index->gameText(k);
    if (!asListed) {
        listText(std::move(text));
        if (row < listCount())
            List1->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                                     QItemSelectionModel::ClearAndSelect);
        showMessage(QStringLiteral("The file \"%1\" has changed since its games were listed. "
                                   "Its games are listed again as they are now; check the chosen "
                                   "game and press Edit Game again.")
                        .arg(CurrentFile),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    if (!editorMayBeRefilled())
        return;
    GameSplit split = splitAtGame(text, GameSpans[k]);
    const bool utf8 = isValidUtf8(text);
    frmEdit* editor = openEditor();
    editor->Form_Load();
    editor->setSourceFile(CurrentFile, text);
    text = std::string();
    auto& g = globals();
    g.TextBefore = std::move(split.TextBefore);
    g.TextAfter = std::move(split.TextAfter);

    editor->setFileUtf8(utf8);
    editor->EventNm->setText(editor->fromFileText(tagValue(split.game, "Event")));
    editor->White->setText(editor->fromFileText(tagValue(split.game, "White")));
    editor->Black->setText(editor->fromFileText(tagValue(split.game, "Black")));
    editor->Site->setText(editor->fromFileText(tagValue(split.game, "Site")));
    editor->DateNm->setText(editor->fromFileText(tagValue(split.game, "Date")));
    editor->FileName->setText(QStringLiteral("File name : ") + CurrentFile);

    MessageHost host(this);
    EditorMoves moves = editorMoves(split.game, host, g.GameResult);
    for (const std::string& line : moves.lines)
        editor->List1->addItem(editor->fromFileText(line));
    editor->MoveList = std::move(moves.MoveList);
    editor->setCurrentEdMove(moves.CurrentEdMove);
    editor->MoveNum->setText(QString::number(moves.CurrentEdMove) + ".");
    editor->showModeless();
}

void frmConfig::Command3_Click() {
    File.Color = Picture1->BackColor();
    if (File.ShowColor(this))
        Picture1->setBackColor(File.Color);
}

void frmConfig::Command2_Click() {
    frmAbout about(this);
    about.exec();
}

void frmConfig::OK2_Click() {
    for (const auto& [box, caption] : {std::pair{Text1, Label3}, std::pair{Text2, Label7}}) {
        if (isSecondsText(box->text()))
            continue;
        showMessage(QStringLiteral("\"%1\" must be a number of seconds from %2 to %3 (one day).")
                        .arg(fieldName(caption), QString::number(kMinSeconds),
                             QString::number(kMaxSeconds)),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        box->setFocus();
        box->selectAll();
        return;
    }
    storeDisplaySettings(settings(), {Picture1->BackColor(), Text1->text(), Text2->text(),
                                      Check1->isChecked(), random->isChecked()});
    close();
}

void frmConfig::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

frmConfig* showConfigDialog() {
    static QPointer<frmConfig> dialog;
    if (!dialog)
        dialog = new frmConfig;
    dialog->show();
    dialog->raise();
    return dialog;
}

} // namespace pw2
