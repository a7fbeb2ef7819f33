#include "setup/frm_config.h"

#include "collections/collection_cache.h"
#include "collections/collection_reader.h"
#include "editor/frm_edit.h"
#include "editor/game_document.h"
#include "pgnfile/edit_game.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/file_bytes.h"
#include "services/match_table.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"
#include "setup/app_icon.h"
#include "setup/board_preview.h"
#include "setup/frm_about.h"
#include "setup/game_list_model.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <atomic>
#include <malloc.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace pw2 {
namespace {

constexpr int kSettingsWidth = 4230; // twips
constexpr int kMatchWidth = 8250;    // twips

const char* const kFileNotFound = "The specfied PGN file is not found, Loading Default";
const char* const kDefaultNotFound = "Default File Not found, please specify a PGN file";
const char* const kNoGames = "No games to edit. Please select \"New Game\" or \"PGN import\"";
const char* const kChangedSinceListed =
    "The file \"%1\" has changed since its games were listed. Its games are listed again as they "
    "are now; check the chosen game and press %2 again.";
const char* const kFromCollection =
    "The games of \"%1\" come from a compressed collection, which the editor does not write "
    "into. Save the game with Save As... into a .pgn file of its own.";

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString fromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The open-file dialog's filter: the collections the reader opens, then the plain kinds.
QString pgnFileFilter() {
    QStringList patterns;
    for (const char* pattern : collections::kNamePatterns)
        patterns << QLatin1String(pattern);
    return QStringLiteral("PGN collections|") + patterns.join(u';') +
           QStringLiteral("|PGN file|*.pgn|Text file|*.txt|Allfiles|*.*");
}

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

// A modal progress dialog of parent's, shown at once, with Cancel; maximum 0 shows it busy.
std::unique_ptr<QProgressDialog> showProgress(QWidget* parent, const QString& name, int maximum) {
    auto progress = std::make_unique<QProgressDialog>(parent);
    progress->setObjectName(name);
    progress->setWindowTitle(parent->windowTitle());
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setMinimumDuration(0);
    progress->setRange(0, maximum);
    progress->show();
    return progress;
}

QString megabytes(std::int64_t bytes) {
    return QString::number(double(bytes) / 1e6, 'f', bytes < 10'000'000 ? 1 : 0);
}

QLabel* label(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

template <class Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

QPushButton* button(const char* text, const char* name, QWidget* parent) {
    return named(new QPushButton(QString::fromUtf8(text), parent), name);
}

} // namespace

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setColour(0);
}

void ColourSwatch::setColour(std::uint32_t bgr) {
    colour_ = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, qColorFromBgr(bgr));
    setPalette(p);
}

frmConfig::frmConfig(bool gameFileMissing, QWidget* parent)
    : QWidget(parent), gameFileMissing_(gameFileMissing), model_(new GameListModel(this)) {
    setWindowTitle(QStringLiteral("Pawnwatch 2.0 Setup"));
    // The program's icon for this window and every window opened from it (the game editor, the
    // about box, message boxes).
    QApplication::setWindowIcon(appIcon());
    fileDialog_.DialogTitle = QStringLiteral("Choose PGN file");
    fileDialog_.Filter = pgnFileFilter();
    fileDialog_.FileName = QStringLiteral("*.pgn");

    buildSettingsPanel();
    buildMatchPanel();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(settingsPanel_);
    layout->addWidget(matchPanel_);
    connectButtons();

    showPanel(false);
    centreOnScreen();
    loadSettings();
}

frmConfig::~frmConfig() = default;

// Top to bottom: the file line with the path under it, the two timer lines, the colour line, the
// check boxes, and OK and About... side by side.
void frmConfig::buildSettingsPanel() {
    settingsPanel_ = named(new QGroupBox(QStringLiteral("Settings"), this), "settingsPanel");
    QGroupBox* panel = settingsPanel_;
    chooseFileButton_ = button("...", "chooseFileButton", panel);
    chooseFileButton_->setFixedWidth(32);
    pgnFileLabel_ = named(new QLabel(panel), "pgnFileLabel");
    pgnFileLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    timePerMoveLabel_ = label("Time between moves :", panel);
    timePerMoveEdit_ = named(new QLineEdit(QStringLiteral("2"), panel), "timePerMoveEdit");
    timePerGameLabel_ = label("Time between games :", panel);
    timePerGameEdit_ = named(new QLineEdit(QStringLiteral("10"), panel), "timePerGameEdit");
    for (QLineEdit* box : {timePerMoveEdit_, timePerGameEdit_})
        box->setFixedWidth(34);
    textColourSwatch_ = named(new ColourSwatch(panel), "textColourSwatch");
    textColourSwatch_->setFixedSize(34, 20);
    changeColourButton_ = button("Change...", "changeColourButton", panel);
    showMoveListCheck_ =
        named(new QCheckBox(QStringLiteral("Show move list"), panel), "showMoveListCheck");
    randomOrderCheck_ = named(new QCheckBox(QStringLiteral("Play games in random order"), panel),
                              "randomOrderCheck");
    fillScreenCheck_ =
        named(new QCheckBox(QStringLiteral("Fill the screen"), panel), "fillScreenCheck");
    fillScreenCheck_->setToolTip(QStringLiteral(
        "On a screen larger than 1024 by 768, the board and the texts grow to fill it"));
    const struct {
        NumberSetting setting;
        const char* text;
        const char* name;
        const char* tip;
    } switches[] = {
        {setting::ContinuePlay, "Continue where it stopped", "continueCheck",
         "Each start plays the game after the last one shown"},
        {setting::FairShuffle, "Show every game once before any repeats", "fairShuffleCheck",
         "In random order, the whole match plays before a game comes again"},
        {setting::Commentary, "Show the annotator's comments", "commentaryCheck",
         "A comment on a move of the game is shown beneath the board as the move is played"},
        {setting::HighlightMove, "Highlight the last move", "highlightMoveCheck",
         "The squares the last move left and reached are tinted"},
        {setting::GameSummary, "Sum up each game", "gameSummaryCheck",
         "Between games, a line under the board gives the result and the number of moves"},
        {setting::CommentReadingTime, "Give comments reading time", "commentReadingTimeCheck",
         "A move with a comment waits long enough to read it before the next move"},
        {setting::AnimateMoves, "Animate moves", "animateMovesCheck",
         "A moved piece glides to its square"},
        {setting::ClocksAndEvaluation, "Show clocks and evaluation", "clocksAndEvaluationCheck",
         "For games that carry them, the players' clocks and an evaluation bar are shown"},
        {setting::BoardOnEveryScreen, "A board on every screen", "boardOnEveryScreenCheck",
         "With several screens, each shows a game of its own"},
    };
    for (const auto& s : switches) {
        auto* box = named(new QCheckBox(QLatin1String(s.text), panel), s.name);
        box->setToolTip(QLatin1String(s.tip));
        switchBoxes_.push_back({s.setting, box});
    }
    boardThemeCombo_ = named(new QComboBox(panel), "boardThemeCombo");
    for (const char* theme : {"Designed", "Green", "Blue", "Grey"})
        boardThemeCombo_->addItem(QLatin1String(theme), boardThemeCombo_->count());
    pieceSetCombo_ = named(new QComboBox(panel), "pieceSetCombo");
    for (const char* set : {"Designed", "Classic"})
        pieceSetCombo_->addItem(QLatin1String(set), pieceSetCombo_->count());
    pieceSetCombo_->setToolTip(
        QStringLiteral("Classic: Black's pieces black with a light outline, White's white"));
    boardPreview_ = named(new BoardPreview(panel), "boardPreview");
    settingsOkButton_ = button("OK", "settingsOkButton", panel);
    aboutButton_ = button("About...", "aboutButton", panel);

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(4);
    grid->addWidget(label("PGN file :", panel), 0, 0, 1, 2);
    grid->addWidget(chooseFileButton_, 0, 2, Qt::AlignRight);
    grid->addWidget(pgnFileLabel_, 1, 0, 1, 3);
    grid->addWidget(timePerMoveLabel_, 2, 0);
    grid->addWidget(timePerMoveEdit_, 2, 1);
    grid->addWidget(label("Second(s)", panel), 2, 2);
    grid->addWidget(timePerGameLabel_, 3, 0);
    grid->addWidget(timePerGameEdit_, 3, 1);
    grid->addWidget(label("Second(s)", panel), 3, 2);
    grid->addWidget(label("Text Color :", panel), 4, 0);
    grid->addWidget(textColourSwatch_, 4, 1);
    grid->addWidget(changeColourButton_, 4, 2);
    grid->addWidget(showMoveListCheck_, 5, 0, 1, 3);
    grid->addWidget(randomOrderCheck_, 6, 0, 1, 3);
    grid->addWidget(fillScreenCheck_, 7, 0, 1, 3);
    int row = 8;
    for (const SwitchBox& s : switchBoxes_)
        grid->addWidget(s.box, row++, 0, 1, 3);
    grid->addWidget(label("Board :", panel), row, 0);
    grid->addWidget(boardThemeCombo_, row++, 1, 1, 2);
    grid->addWidget(label("Pieces :", panel), row, 0);
    grid->addWidget(pieceSetCombo_, row++, 1, 1, 2);
    grid->addWidget(boardPreview_, row++, 0, 1, 3, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(settingsOkButton_);
    buttons->addWidget(aboutButton_);
    grid->addLayout(buttons, row, 0, 1, 3);
}

// The list with its two labels above and Edit Game and New Game below on the left; the
// description at the top right with PGN Import..., OK and Cancel beneath it.
void frmConfig::buildMatchPanel() {
    matchPanel_ = named(new QGroupBox(QStringLiteral("Select match"), this), "matchPanel");
    QGroupBox* panel = matchPanel_;
    firstMatchLabel_ = named(label("Match 1 will be played first", panel), "firstMatchLabel");
    QSizePolicy keepPlace = firstMatchLabel_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    firstMatchLabel_->setSizePolicy(keepPlace);
    firstMatchLabel_->hide();
    matchFilterEdit_ = named(new QLineEdit(panel), "matchFilterEdit");
    matchFilterEdit_->setPlaceholderText(
        QStringLiteral("Find a game: words of White, Black, Event, Site or Date"));
    matchFilterEdit_->setClearButtonEnabled(true);
    matchList_ = named(new QListView(panel), "matchList");
    matchList_->setModel(model_);
    matchList_->setUniformItemSizes(true);
    matchList_->setSelectionMode(QAbstractItemView::SingleSelection);
    matchList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    matchList_->setMinimumHeight(200);
    editGameButton_ = button("Edit Game", "editGameButton", panel);
    newGameButton_ = button("New Game", "newGameButton", panel);

    auto* descriptionPanel =
        named(new QGroupBox(QStringLiteral("Match Description"), panel), "descriptionPanel");
    descriptionLabel_ = named(label("No match selected", descriptionPanel), "descriptionLabel");
    descriptionLabel_->setTextFormat(Qt::PlainText);
    descriptionLabel_->setWordWrap(true);
    descriptionLabel_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* description = new QScrollArea(descriptionPanel);
    description->setFrameShape(QFrame::NoFrame);
    description->setWidgetResizable(true);
    description->setWidget(descriptionLabel_);
    auto* descriptionLayout = new QVBoxLayout(descriptionPanel);
    descriptionLayout->addWidget(description);
    importButton_ = button("PGN Import...", "importButton", panel);
    matchOkButton_ = button("OK", "matchOkButton", panel);
    matchOkButton_->setEnabled(false);
    matchCancelButton_ = button("Cancel", "matchCancelButton", panel);

    auto* left = new QVBoxLayout;
    left->addWidget(label("Match list :", panel));
    left->addWidget(firstMatchLabel_);
    left->addWidget(matchFilterEdit_);
    left->addWidget(matchList_, 1);
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(editGameButton_);
    editButtons->addWidget(newGameButton_);
    left->addLayout(editButtons);
    auto* right = new QVBoxLayout;
    right->addWidget(descriptionPanel, 1);
    right->addWidget(importButton_);
    right->addWidget(matchOkButton_);
    right->addWidget(matchCancelButton_);
    auto* layout = new QHBoxLayout(panel);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
}

void frmConfig::connectButtons() {
    connect(matchList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmConfig::describeChosenGame);
    connect(matchFilterEdit_, &QLineEdit::textChanged, this, &frmConfig::filterGames);
    connect(chooseFileButton_, &QPushButton::clicked, this, &frmConfig::openMatchPanel);
    connect(changeColourButton_, &QPushButton::clicked, this, &frmConfig::chooseTextColour);
    for (QComboBox* look : {boardThemeCombo_, pieceSetCombo_})
        connect(look, &QComboBox::currentIndexChanged, this, &frmConfig::showBoardLook);
    connect(settingsOkButton_, &QPushButton::clicked, this, &frmConfig::storeSettings);
    connect(aboutButton_, &QPushButton::clicked, this, &frmConfig::showAbout);
    connect(importButton_, &QPushButton::clicked, this, &frmConfig::importFile);
    connect(matchOkButton_, &QPushButton::clicked, this, &frmConfig::storeMatch);
    connect(matchCancelButton_, &QPushButton::clicked, this, &frmConfig::closeMatchPanel);
    connect(editGameButton_, &QPushButton::clicked, this, &frmConfig::editGame);
    connect(newGameButton_, &QPushButton::clicked, this, &frmConfig::newGame);
}

void frmConfig::centreOnScreen() {
    if (QScreen* s = screen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
}

int frmConfig::twipsToPixels(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

QString frmConfig::defaultFile() const {
    return appPath() + QStringLiteral("default.pgn");
}

void frmConfig::showPanel(bool matchPanel) {
    settingsPanel_->setVisible(!matchPanel);
    matchPanel_->setVisible(matchPanel);
    layout()->invalidate();
    layout()->activate();
    // The designed width, or wider where the texts in the desktop's font need it: a label or a
    // check box is never cut short.
    const int w = std::max(twipsToPixels(matchPanel ? kMatchWidth : kSettingsWidth),
                           layout()->totalMinimumSize().width());
    int h = std::max(layout()->totalSizeHint().height(), layout()->totalMinimumSize().height());
    if (layout()->hasHeightForWidth())
        h = std::max(h, layout()->totalHeightForWidth(w));
    setFixedSize(w, h);
    if (QScreen* s = screen())
        move(s->geometry().x() + (s->geometry().width() - w) / 2, y());
}

const std::vector<pgn::GameSpan>& frmConfig::gameSpans() const {
    static const std::vector<pgn::GameSpan> none;
    return listed_ ? listed_->spans() : none;
}

int frmConfig::listCount() const {
    return model_->gameCount();
}

int frmConfig::listIndex() const {
    return chosenGame_;
}

void frmConfig::chooseGame(int game) {
    chosenGame_ = game;
    const int row = model_->rowOf(game);
    if (row >= 0) {
        const QModelIndex index = model_->index(row, 0);
        matchList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        matchList_->scrollTo(index);
    }
    describeChosenGame();
}

void frmConfig::loadSettings() {
    showStoredPgnFile();
    auto& store = settings();
    showMoveListCheck_->setChecked(roundToInt64(store.number(setting::MoveList)) != 0);
    textColourSwatch_->setColour(colourNumber(store.number(setting::TextColor)));
    timePerMoveEdit_->setText(store.text(setting::Timer));
    timePerGameEdit_->setText(store.text(setting::Timer2));
    randomOrderCheck_->setChecked(
        strictInteger(store.text(setting::Random).toStdString()).value_or(0) != 0);
    fillScreenCheck_->setChecked(roundToInt64(store.number(setting::FillScreen)) != 0);
    for (const SwitchBox& s : switchBoxes_)
        s.box->setChecked(roundToInt64(store.number(s.setting)) != 0);
    // A stored value without a choice shows the designed look, as the saver does.
    for (const auto& [combo, key] : {std::pair{boardThemeCombo_, setting::BoardTheme},
                                     std::pair{pieceSetCombo_, setting::PieceSet}}) {
        const int index = combo->findData(int(roundToInt64(store.number(key))));
        combo->setCurrentIndex(std::max(index, 0));
    }
    showBoardLook();
}

void frmConfig::showBoardLook() {
    boardPreview_->setLook(boardThemeCombo_->currentData().toInt(),
                           pieceSetCombo_->currentData().toInt());
}

void frmConfig::showStoredPgnFile() {
    if (gameFileMissing_)
        return;
    pgnFileLabel_->setText(settings().text(setting::PgnFile, defaultFile()));
    if (!fileExists(pgnFileLabel_->text())) {
        showMessage(QString::fromUtf8(kFileNotFound), MsgIcon::Critical, MsgButtons::Ok, this);
        if (!fileExists(defaultFile()))
            showMessage(QString::fromUtf8(kDefaultNotFound), MsgIcon::Critical, MsgButtons::Ok,
                        this);
        else
            pgnFileLabel_->setText(defaultFile());
    }
    pgnFileLabel_->setToolTip(pgnFileLabel_->text());
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
    // A compressed file or an archive; a folder is refused below, as the chooser cannot pick one.
    if (!QFileInfo(trimmed).isDir() && collections::isPackedCollection(localPath(trimmed))) {
        const Listing listing = listCollection(trimmed);
        if (listing == Listing::Listed)
            path = trimmed;
        return listing;
    }
    listingStamp_.reset();
    QFile file(trimmed);
    QString reason;
    Listing listing = Listing::Unreadable;
    if (openRegularFile(file, &reason)) {
        listing = listFrom(trimmed, file.size(), [&file](char* to, std::size_t n) {
            return std::int64_t(file.read(to, qint64(n)));
        });
        if (listing == Listing::Unreadable)
            reason = file.errorString();
    }
    if (listing == Listing::Unreadable)
        showMessage(QStringLiteral("The file \"%1\" cannot be read: %2").arg(trimmed, reason),
                    MsgIcon::Critical, MsgButtons::Ok, this);
    if (listing == Listing::Listed)
        path = trimmed;
    return listing;
}

frmConfig::Listing frmConfig::listCollection(const QString& trimmed) {
    const std::string source = localPath(trimmed);
    std::vector<std::string> encrypted;
    collections::CollectionReader::Options options;
    options.onSkipped = [&encrypted](const std::string& member, const std::string& why) {
        if (why == "encrypted")
            encrypted.push_back(member);
    };
    std::string error = "it cannot be read";
    listingStamp_ = collections::stampOf(source);
    const std::unique_ptr<collections::CollectionReader> reader =
        listingStamp_ ? collections::CollectionReader::open(source, std::move(options), error)
                      : nullptr;
    if (!reader) {
        showMessage(QStringLiteral("The file \"%1\" cannot be read: %2")
                        .arg(trimmed, QString::fromStdString(error)),
                    MsgIcon::Critical, MsgButtons::Ok, this);
        return Listing::Unreadable;
    }
    // A damaged collection ends where the damage is: the games before it are listed.
    std::string damage;
    const Listing listing = listFrom(
        trimmed, 0,
        [&](char* to, std::size_t n) {
            const std::ptrdiff_t got = reader->read(to, n);
            if (got < 0)
                damage = reader->failure();
            return std::int64_t(std::max<std::ptrdiff_t>(got, 0));
        },
        [&reader] { return reader->readShare(); });
    if (listing != Listing::Listed)
        return listing;
    QStringList notes;
    if (!damage.empty())
        notes << QStringLiteral("Only the games before the damage are listed: %1")
                     .arg(fromLocalPath(damage));
    if (!encrypted.empty()) {
        QStringList names;
        for (const std::string& name : encrypted)
            names << QStringLiteral("\"%1\"").arg(fromLocalPath(name));
        notes << QStringLiteral("Encrypted members are not read: %1.").arg(names.join(", "));
    }
    if (!notes.isEmpty())
        showMessage(notes.join(u'\n'), MsgIcon::Critical, MsgButtons::Ok, this);
    return listing;
}

bool frmConfig::listsCollection() const {
    return listedStamp_ && !QFileInfo(currentFile_).isDir() &&
           collections::isPackedCollection(localPath(currentFile_));
}

bool frmConfig::listText(std::string_view bytes) {
    listingStamp_.reset();
    std::size_t at = 0;
    return listFrom(currentFile_, std::int64_t(bytes.size()),
                    [bytes, &at](char* to, std::size_t n) {
                        n = std::min(n, bytes.size() - at);
                        std::copy_n(bytes.data() + at, n, to);
                        at += n;
                        return std::int64_t(n);
                    }) == Listing::Listed;
}

frmConfig::Listing frmConfig::listFrom(const QString& name, std::int64_t size,
                                       const ReadBytes& read,
                                       const std::function<std::optional<double>()>& share) {
    // The progress dialog lets events run; nothing may start another listing meanwhile.
    if (listing_)
        return Listing::Cancelled;
    listing_ = true;
    // The list listed before stays for a Cancel; while the new one is built, a large one waits in
    // a file, so that the memory of two lists is never needed at once.
    std::unique_ptr<SetAsideCatalog> aside;
    bool asideShown = false;
    const int chosenBefore = chosenGame_;
    if (listed_ && listed_->heldBytes() >= pace_.setAsideBytes) {
        aside = SetAsideCatalog::put(*listed_, collections::cacheFolder());
        if (aside) {
            asideShown = model_->catalog() == listed_.get();
            if (asideShown)
                model_->setCatalog(std::make_shared<const MatchCatalog>());
            listed_.reset();
            ::malloc_trim(0);
        }
    }
    std::optional<MatchCatalogBuilder> builder(std::in_place);
    QElapsedTimer clock;
    clock.start();
    std::optional<WaitPointer> wait(std::in_place);
    std::unique_ptr<QProgressDialog> progress;
    std::string chunk(std::max<std::size_t>(pace_.chunkBytes, 1), '\0');
    Listing listing = Listing::Listed;
    for (bool first = true;; first = false) {
        const std::int64_t got = read(chunk.data(), chunk.size());
        if (got < 0) {
            listing = Listing::Unreadable;
            break;
        }
        if (got == 0)
            break;
        builder->add(std::string_view(chunk.data(), std::size_t(got)));
        // Room for as many games as the file holds at this density, so that the lists grow
        // without copying themselves.
        if (first && size > 0 && std::uint64_t(size) > builder->bytesRead())
            builder->expectGames(std::size_t(double(builder->games()) * double(size) /
                                             double(builder->bytesRead()) * 1.05));
        if (!progress && clock.elapsed() >= pace_.progressDelay.count()) {
            wait.reset();
            const bool measured = size > 0 || (share && share());
            progress = showProgress(this, QStringLiteral("listingProgress"), measured ? 1000 : 0);
        }
        if (progress) {
            const auto done = std::int64_t(builder->bytesRead());
            if (size > 0)
                progress->setValue(int(std::min<std::int64_t>(done, size) * 1000 / size));
            else if (const std::optional<double> part = share ? share() : std::nullopt)
                progress->setValue(int(*part * 1000));
            // The size of a packed collection's text is not known before it is read.
            progress->setLabelText(
                size > 0 ? QStringLiteral("Listing the games of \"%1\"\n%2 games, %3 of %4 MB read")
                               .arg(QFileInfo(name).fileName())
                               .arg(builder->games())
                               .arg(megabytes(done), megabytes(std::max(size, done)))
                         : QStringLiteral("Listing the games of \"%1\"\n%2 games, %3 MB read")
                               .arg(QFileInfo(name).fileName())
                               .arg(builder->games())
                               .arg(megabytes(done)));
            QCoreApplication::processEvents();
            if (progress->wasCanceled()) {
                listing = Listing::Cancelled;
                break;
            }
        }
    }
    progress.reset();
    if (listing == Listing::Listed)
        showCatalog(builder->finish());
    builder.reset();
    if (aside && !listed_) {
        // The list before comes back: shown as it was (its filter, its chosen game) unless a
        // listing that found no game emptied it.
        ::malloc_trim(0);
        listed_ = aside->take();
        if (listing != Listing::Listed && asideShown && listed_) {
            model_->setCatalog(listed_);
            model_->setFilter(matchFilterEdit_->text());
            chooseGame(chosenBefore);
        } else if (!listed_) {
            chosenGame_ = -1;
            matchOkButton_->setEnabled(false);
        }
    }
    // The lists of the catalogue dropped, or of the listing given up, go back to the system.
    ::malloc_trim(0);
    listing_ = false;
    return listing;
}

void frmConfig::showCatalog(std::shared_ptr<const MatchCatalog> catalog) {
    {
        const QSignalBlocker quiet(matchFilterEdit_);
        matchFilterEdit_->clear();
    }
    model_->setCatalog(catalog);
    if (catalog->empty()) {
        chosenGame_ = -1;
        descriptionLabel_->setText(QStringLiteral("No match selected"));
        firstMatchLabel_->hide();
        return;
    }
    listed_ = std::move(catalog);
    listedStamp_ = listingStamp_;
    matchOkButton_->setEnabled(true);
    chooseGame(0);
}

void frmConfig::filterGames(const QString& words) {
    model_->setFilter(words);
    const int row = model_->rowOf(chosenGame_);
    if (row >= 0) {
        const QModelIndex index = model_->index(row, 0);
        matchList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        matchList_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}

void frmConfig::describeChosenGame() {
    // A row the user picks chooses its game; the list losing its current row (a new filter)
    // leaves the chosen game as it is.
    const int picked = model_->gameAt(matchList_->selectionModel()->currentIndex().row());
    if (picked >= 0)
        chosenGame_ = picked;
    // While a list waits in a file, the list shown is empty: the game chosen in it stays chosen.
    if (chosenGame_ < 0 || chosenGame_ >= model_->gameCount())
        return;
    descriptionLabel_->setText(model_->fullText(chosenGame_));
    firstMatchLabel_->setText(QStringLiteral("Match %1 will be played first").arg(chosenGame_ + 1));
    firstMatchLabel_->show();
}

void frmConfig::openMatchPanel() {
    showPanel(true);
    const QString before = currentFile_;
    currentFile_ = settings().text(setting::PgnFile, defaultFile());
    const Listing listing = listGames(currentFile_);
    if (listing == Listing::Unreadable || listing == Listing::Cancelled)
        currentFile_ = before;
}

void frmConfig::closeMatchPanel() {
    showPanel(false);
}

collections::CollectionCache::Made frmConfig::cacheListedCollection(bool& cancelled) {
    cancelled = false;
    const collections::CollectionCache cache;
    const std::string source = localPath(currentFile_);
    std::optional<WaitPointer> wait(std::in_place);
    if (QFileInfo::exists(fromLocalPath(cache.pathFor(*listedStamp_))))
        return cache.obtain(source);
    // Unpacked on a thread of its own while the dialog shows how far it got.
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> written{0};
    std::atomic<bool> done{false};
    collections::CollectionCache::Made made;
    std::thread worker([&] {
        made = cache.obtain(source, &stop, &written);
        done.store(true);
    });
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> progress;
    for (;;) {
        if (!progress && clock.elapsed() >= pace_.progressDelay.count()) {
            wait.reset();
            // The size of the text is known only at its end.
            progress = showProgress(this, QStringLiteral("cacheProgress"), 0);
        }
        if (progress) {
            progress->setLabelText(QStringLiteral("Unpacking the games of \"%1\"\n%2 MB written")
                                       .arg(QFileInfo(currentFile_).fileName())
                                       .arg(megabytes(std::int64_t(written.load()))));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (progress->wasCanceled()) {
                cancelled = true;
                stop.store(true);
            }
        }
        if (done.load())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(progress ? 50 : 5));
    }
    worker.join();
    if (cancelled && made.ok())
        ::unlink(made.path.c_str()); // made just before the Cancel: no table indexes it
    return made;
}

void frmConfig::storeMatch() {
    // A packed collection is played from its plain cache, which the table indexes.
    QString textFile;
    if (listsCollection()) {
        bool cancelled = false;
        const collections::CollectionCache::Made made = cacheListedCollection(cancelled);
        if (cancelled)
            return;
        if (!made.ok()) {
            showMessage(fromLocalPath(made.message), MsgIcon::Critical, MsgButtons::Ok, this);
            return;
        }
        if (made.stamp != *listedStamp_) {
            QString path = currentFile_;
            if (listGames(path) == Listing::Listed)
                showMessage(
                    QString::fromUtf8(kChangedSinceListed).arg(currentFile_, QStringLiteral("OK")),
                    MsgIcon::Critical, MsgButtons::Ok, this);
            return;
        }
        textFile = fromLocalPath(made.path);
    }
    replaceMatchTable(settings(), currentFile_, gameSpans(), listCount(), listIndex(), textFile);
    // The caches of collections no longer stored go.
    collections::CollectionCache().removeAllBut(localPath(textFile));
    gameFileMissing_ = false; // the stored match names a file
    // Only the file shown changes: what the user typed in the settings panel and has not
    // confirmed stays in its fields.
    showStoredPgnFile();
    showPanel(false);
}

void frmConfig::importFile() {
    matchOkButton_->setEnabled(false);
    fileDialog_.InitDir = appPath();
    fileDialog_.FileName = QStringLiteral("*.pgn");
    if (!fileDialog_.ShowOpen(this))
        return;
    const QString before = currentFile_;
    currentFile_ = fileDialog_.FileName;
    const Listing listing = listGames(currentFile_);
    if (listing == Listing::Unreadable || listing == Listing::Cancelled)
        currentFile_ = before;
}

frmEdit* frmConfig::openEditor() {
    if (!editor_) {
        editor_ = new frmEdit(this);
        // Finish lists the edited file's games again and makes it the current file.
        // A file that cannot be read, or a listing the user cancels, leaves the list and its
        // file together as they were.
        connect(editor_, &frmEdit::finished, this, [this](QString path) {
            if (listGames(path) == Listing::Listed)
                currentFile_ = path;
        });
    }
    return editor_;
}

bool frmConfig::editorMayBeRefilled() {
    return !editor_ || editor_->isHidden() || editor_->isSaved() || editor_->close();
}

void frmConfig::editCollectionGame(GameDocument document, bool newGame) {
    showMessage(QString::fromUtf8(kFromCollection).arg(currentFile_), MsgIcon::Information,
                MsgButtons::Ok, this);
    if (!editorMayBeRefilled())
        return;
    if (newGame)
        openEditor()->newGame(document);
    else
        openEditor()->openGame(document);
}

std::optional<std::string> frmConfig::collectionGame(std::size_t game) const {
    const std::vector<pgn::GameSpan>& spans = gameSpans();
    if (game >= spans.size() || spans[game].begin < 1 || spans[game].end < spans[game].begin)
        return std::nullopt;
    const auto from = std::uint64_t(spans[game].begin - 1);
    const auto to = std::uint64_t(spans[game].end - 1);
    const std::string source = localPath(currentFile_);
    if (const std::optional<collections::SourceStamp> stamp = collections::stampOf(source);
        stamp && stamp == listedStamp_) {
        const QString cached = fromLocalPath(collections::CollectionCache().pathFor(*stamp));
        if (fileExists(cached)) {
            std::string text = readFileRange(cached, spans[game].begin, spans[game].end);
            if (text.size() == to - from)
                return text;
        }
    }
    return collections::readCollectionRange(source, from, to);
}

void frmConfig::newGame() {
    if (listsCollection()) {
        editCollectionGame(GameDocument{}, true);
        return;
    }
    GameDocument document;
    if (!currentFile_.isEmpty() && !readFile(currentFile_, document.textBefore))
        return;
    if (!editorMayBeRefilled())
        return;
    document.path = currentFile_;
    document.utf8 = isValidUtf8(document.textBefore);
    openEditor()->newGame(document);
}

void frmConfig::editGame() {
    if (listCount() == 0) {
        showMessage(QString::fromUtf8(kNoGames), MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    const int row = std::max(listIndex(), 0);
    const auto k = std::size_t(row);
    if (listsCollection()) {
        std::optional<std::string> game;
        {
            const WaitPointer wait;
            game = collectionGame(k);
        }
        const MatchCatalog* listed = model_->catalog();
        if (!game || !listed || k >= listed->size() || !listed->isListedGame(k, *game)) {
            QString path = currentFile_;
            if (listGames(path) != Listing::Listed)
                return;
            if (row < listCount())
                chooseGame(row);
            showMessage(QString::fromUtf8(kChangedSinceListed)
                            .arg(currentFile_, QStringLiteral("Edit Game")),
                        MsgIcon::Critical, MsgButtons::Ok, this);
            return;
        }
        GameDocument document;
        document.utf8 = isValidUtf8(*game);
        document.game = std::move(*game);
        editCollectionGame(std::move(document), false);
        return;
    }
    std::string text;
    if (!readFile(currentFile_, text))
        return;
    // The game must still lie where it was listed, with the bytes it was listed with: a game that
    // grew, shrank or moved since would be cut at its old end, and saving it would leave part of
    // it, or of the next game, behind in the file; another game in its place is not the game the
    // user chose. The games are listed again from what was just read, the same game number
    // chosen, and the user looks at the list before editing.
    const MatchCatalog* listed = model_->catalog();
    const std::vector<pgn::GameSpan>& spans = gameSpans();
    const bool asListed = listed && k < spans.size() && k < listed->size() &&
                          spanDelimitsGame(text, spans[k]) &&
                          listed->isListedGame(k, pgn::gameText(text, spans[k]));
    if (!asListed) {
        if (!listText(text))
            return;
        if (row < listCount())
            chooseGame(row);
        showMessage(
            QString::fromUtf8(kChangedSinceListed).arg(currentFile_, QStringLiteral("Edit Game")),
            MsgIcon::Critical, MsgButtons::Ok, this);
        return;
    }
    if (!editorMayBeRefilled())
        return;
    GameDocument document;
    document.path = currentFile_;
    document.utf8 = isValidUtf8(text);
    GameSplit split = splitAtGame(text, spans[k]);
    text = std::string();
    document.textBefore = std::move(split.TextBefore);
    document.game = std::move(split.game);
    document.textAfter = std::move(split.TextAfter);
    openEditor()->openGame(document);
}

void frmConfig::chooseTextColour() {
    fileDialog_.Color = textColourSwatch_->colour();
    if (fileDialog_.ShowColor(this))
        textColourSwatch_->setColour(fileDialog_.Color);
}

void frmConfig::showAbout() {
    frmAbout about(this);
    about.exec();
}

void frmConfig::storeSettings() {
    for (const auto& [box, caption] : {std::pair{timePerMoveEdit_, timePerMoveLabel_},
                                       std::pair{timePerGameEdit_, timePerGameLabel_}}) {
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
    DisplaySettings values{textColourSwatch_->colour(),
                           timePerMoveEdit_->text(),
                           timePerGameEdit_->text(),
                           showMoveListCheck_->isChecked(),
                           randomOrderCheck_->isChecked(),
                           fillScreenCheck_->isChecked(),
                           {}};
    for (const SwitchBox& s : switchBoxes_)
        values.switches.emplace_back(s.setting, s.box->isChecked());
    storeDisplaySettings(settings(), values);
    settings().set(setting::BoardTheme, QString::number(boardThemeCombo_->currentData().toInt()));
    settings().set(setting::PieceSet, QString::number(pieceSetCombo_->currentData().toInt()));
    close();
}

void frmConfig::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

frmConfig* showConfigDialog(bool gameFileMissing) {
    static QPointer<frmConfig> dialog;
    if (!dialog)
        dialog = new frmConfig(gameFileMissing);
    dialog->show();
    dialog->raise();
    return dialog;
}

} // namespace pw2
