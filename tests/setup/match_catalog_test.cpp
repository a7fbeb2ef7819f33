#include "pgnfile/edit_game.h"
#include "pgnfile/game_index.h"
#include "setup/match_catalog.h"

#include <QString>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace pw2 {
namespace {

// The catalogue of text, given to the builder in pieces of piece bytes.
std::shared_ptr<const MatchCatalog> catalogOf(std::string_view text, std::size_t piece) {
    MatchCatalogBuilder builder;
    for (std::size_t at = 0; at < text.size(); at += piece)
        builder.add(text.substr(at, piece));
    return builder.finish();
}

// The catalogue read in any pieces lists what the game index lists for the whole text: the same
// spans, the same entries (up to the part kept), and each game recognised as listed.
void expectSameAsIndex(const std::string& text, std::size_t piece) {
    SCOPED_TRACE("pieces of " + std::to_string(piece));
    const GameIndex index(text);
    const auto catalog = catalogOf(text, piece);
    ASSERT_EQ(catalog->spans(), index.spans());
    for (std::size_t i = 0; i < index.size(); ++i) {
        EXPECT_EQ(catalog->entryBody(i), index.entryBody(i).substr(0, MatchCatalog::kEntryKeep))
            << "entry " << i;
        const std::string_view game = index.gameText(i);
        EXPECT_TRUE(catalog->isListedGame(i, game)) << "game " << i;
    }
}

void expectSameAsIndexInAnyPieces(const std::string& text) {
    for (std::size_t piece :
         {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(6), std::size_t(7),
          std::size_t(8), std::size_t(13), std::size_t(4096), std::size_t(70'000), text.size() + 1})
        expectSameAsIndex(text, piece);
}

TEST(MatchCatalog, ListsWhatTheGameIndexListsWhateverThePieces) {
    const std::string texts[] = {
        "Intro text\n[Event \"A\"]\n[White \"w1\"]\n[Black \"b1\"]\n\n1.e4 e5 1-0\n"
        "[Event \"B\"]\r\n[Black \"b2\"]\r\n\r\n1.d4 d5 0-1\r\n"
        "[Event \"C\"]\n[White \"w3\"]\n[Black \"b3\"]\n\n1.c4 *\n",
        // An entry running on into the next game's tags; the last without any "[Black ".
        "[Event \"A\"]\n[White \"w\"]\n1.e4 *\n[Event \"B\"]\n[Black \"b\"]\n1.d4 *\n"
        "[Event \"C\"]\n1.c4 *",
        // "[Black " without a "]" after it; a game that is only its tag.
        "[Event \"A\"]\n[Black \"b\n1.e4 *\n[Event [Event \"B\"]",
        // "[Black " ending on the byte before the next game, and "]" as that byte.
        "[Event \"A\"] [Black[Event \"B\"] [Black \"x\"][Event \"C\"]\n",
        // A tag split anywhere, lower-case tags, tags quoted inside comments.
        "[event \"a\"]\n[Black \"x\"]\n{ [Event \"c\"] } [Black \"z\"]\n1.c4 *\n[Event\t\"no\"]",
        "no games at all [Black \"x\"]",
        "",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        expectSameAsIndexInAnyPieces(text);
    }
}

// Entries longer than the part kept are cut there, and only there: the description needs the
// kept bytes and to know that more followed.
TEST(MatchCatalog, KeepsLongEntriesUpToTheirKeptPart) {
    const std::string moves(100'000, 'x');
    const std::string text =
        // Waits for a "[Black " far beyond: cut.
        "[Event \"long\"]\n" + moves + "\n[Event \"B\"]\n[Black \"b\"]\n1.e4 *\n" +
        // Waits for a "]" that ends the entry at the last byte kept, then one byte later.
        "[Event \"C\"]\n[Black \"" + std::string(MatchCatalog::kEntryKeep - 23, 'y') +
        "\"]\n[Event \"D\"]\n[Black \"" + std::string(MatchCatalog::kEntryKeep - 22, 'z') +
        "\"]\n" +
        // No "[Black " follows: a long last game is cut, a short one ends with its game.
        "[Event \"E\"]\n" + moves + "\n[Event \"F\"] 1.e4 *\n";
    expectSameAsIndexInAnyPieces(text);
    const auto catalog = catalogOf(text, 4096);
    ASSERT_EQ(catalog->size(), 6u);
    EXPECT_EQ(catalog->entryBody(0).size(), MatchCatalog::kEntryKeep);
    EXPECT_EQ(catalog->entryBody(2).size(), MatchCatalog::kEntryKeep - 1);
    EXPECT_EQ(catalog->entryBody(3).size(), MatchCatalog::kEntryKeep);
    EXPECT_EQ(catalog->entryBody(4).size(), MatchCatalog::kEntryKeep);
    EXPECT_EQ(catalog->entryBody(5), "[Event \"F\"] 1.e4 *\n");
}

// Entries that run on over the same bytes of the file (games without a "[Black " before one
// with it) share those bytes in memory: what is held grows with the file, not with the square of
// its games.
TEST(MatchCatalog, EntriesRunningOnTogetherShareTheirBytes) {
    std::string text;
    for (int i = 0; i < 6000; ++i)
        text += "[Event \"" + std::to_string(i) + "\"]\n1.e4 *\n";
    text += "[Event \"last\"]\n[Black \"b\"]\n1.e4 *\n";
    expectSameAsIndex(text, 1000);
    const auto catalog = catalogOf(text, 1000);
    EXPECT_EQ(catalog->entryBody(0).size(), MatchCatalog::kEntryKeep);
    EXPECT_LT(catalog->heldBytes(), 2 * text.size());
}

// Random texts made of the pieces that matter, in random pieces, against the game index.
TEST(MatchCatalog, AgreesWithTheGameIndexOnRandomTexts) {
    const std::string parts[] = {"[Event ", "[Black ", "[White ", "]", "[", "\"x\"", "\n",
                                 " ",       "1.e4 ",   "[Even",   "{", "}", "\\\""};
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = int(random() % 60);
        for (int i = 0; i < length; ++i)
            text += parts[random() % std::size(parts)];
        SCOPED_TRACE(text);
        expectSameAsIndex(text, 1 + random() % 9);
    }
}

TEST(MatchCatalog, AGameChangedInAnyByteIsNotTheListedGame) {
    const std::string text = "[Event \"A\"]\n[Black \"b\"]\n1.e4 e5 2.Nf3 Nc6 3.Bb5 a6 1-0\n"
                             "[Event \"B\"]\n1.d4 *";
    const auto catalog = catalogOf(text, 5);
    const std::string game = std::string(pgn::gameText(text, catalog->spans()[0]));
    EXPECT_TRUE(catalog->isListedGame(0, game));
    EXPECT_FALSE(catalog->isListedGame(1, game));
    for (std::size_t i = 0; i < game.size(); ++i) {
        std::string changed = game;
        changed[i] = changed[i] == 'q' ? 'r' : 'q';
        EXPECT_FALSE(catalog->isListedGame(0, changed)) << i;
    }
    EXPECT_FALSE(catalog->isListedGame(0, game.substr(1)));
    EXPECT_FALSE(catalog->isListedGame(0, game + " "));
}

// The find text holds the five values the editor reads from the game, folded.
TEST(MatchCatalog, FindsByTheValuesTheEditorReadsFolded) {
    const std::string games[] = {
        "[Event \"Say \\\"Hi\\\" \\\\ There\"]\n[White \"Kasparov, G\"]\n[Black \"no end]\n"
        "[Site \"Linares\"]\n[Date \"\"]\n[WhiteElo \"2800\"]\n[White \"Second\"]\n1.e4 *\n",
        "[Event \"E\"]\r\n[Whites \"no\"]\r\n[White\t\"no\"]\r\n1.e4 {[Site \"In a comment\"]} *",
        "[Event \"Z\xfcrich\"]\n[Black \"M\xc3\xbcller\"]\n[White \"\xc3\x89MILE\"]\n1.e4 *",
    };
    std::string text;
    for (const std::string& game : games)
        text += game + "\n";
    const auto catalog = catalogOf(text, 3);
    ASSERT_EQ(catalog->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        std::string expected;
        for (const char* tag : {"White", "Black", "Event", "Site", "Date"}) {
            const std::string value = tagValue(games[i], tag);
            // Latin-1 and UTF-8 alike, as the list decodes each.
            const QString decoded = QString::fromUtf8(value.data(), qsizetype(value.size()));
            expected += (decoded.contains(QChar::ReplacementCharacter)
                             ? QString::fromLatin1(value.data(), qsizetype(value.size()))
                             : decoded)
                            .toCaseFolded()
                            .toStdString();
            expected += '\n';
        }
        EXPECT_EQ(catalog->findText(i), expected) << i;
    }
    using Games = std::vector<std::uint32_t>;
    EXPECT_EQ(catalog->find({"kasparov"}), Games{0});
    EXPECT_EQ(catalog->find({"\"hi\""}), Games{0});
    EXPECT_EQ(catalog->find({"comment"}), Games{1}); // the editor reads it there too
    EXPECT_EQ(catalog->find({"z\xc3\xbcrich"}), (Games{2}));
    EXPECT_EQ(catalog->find({"m\xc3\xbcller", "\xc3\xa9mile"}), (Games{2}));
    // Every word must be found, each inside one value.
    EXPECT_EQ(catalog->find({"linares", "e"}), Games{0});
    EXPECT_EQ(catalog->find({"linares", "zzz"}), Games{});
    EXPECT_EQ(catalog->find({"therelinares"}), Games{});
    EXPECT_EQ(catalog->find({"e"}, nullptr), (Games{0, 1, 2}));
    const Games within{1, 2};
    EXPECT_EQ(catalog->find({"e"}, &within), (Games{1, 2}));
}

} // namespace
} // namespace pw2
