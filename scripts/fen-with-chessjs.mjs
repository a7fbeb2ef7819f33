// Prints, for each game of a PGN file, the piece placement of its final position as computed by
// the chess.js library: one line per game, in file order. Games are delimited as pawnwatch2
// delimits them (each "[Event " starts a game). Used once by hand to make the expected
// placements of tests/data/real-games.fen and tests/data/set-up-games.fen; not run by the tests.
//
// A game with a FEN tag starts from its position (chess.js's loadPgn reads the tag itself). A FEN
// whose full-move number is 0, as puzzle files often write it, is read with 1 there, since
// chess.js refuses 0 and the move number does not change the position.
//
//   mkdir -p /tmp/chessjs && (cd /tmp/chessjs && npm install chess.js)
//   CHESS_JS_DIR=/tmp/chessjs node scripts/fen-with-chessjs.mjs tests/data/real-games.pgn
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const dir = process.env.CHESS_JS_DIR ?? process.cwd();
const { Chess } = createRequire(path.join(path.resolve(dir), 'index.js'))('chess.js');

const file = process.argv[2];
if (!file) {
  console.error('usage: CHESS_JS_DIR=DIR node fen-with-chessjs.mjs FILE');
  process.exit(2);
}
const text = fs.readFileSync(file, 'latin1');
const starts = [];
for (let p = text.indexOf('[Event '); p >= 0; p = text.indexOf('[Event ', p + 1)) starts.push(p);
let failed = 0;
starts.forEach((begin, i) => {
  const game = text
    .slice(begin, i + 1 < starts.length ? starts[i + 1] : text.length)
    .replace(/(\[FEN\s+"[^"]*\s)0(\s*"\s*\])/, (tag, before, after) => `${before}1${after}`);
  const chess = new Chess();
  try {
    chess.loadPgn(game);
    console.log(chess.fen().split(' ')[0]);
  } catch (e) {
    console.log(`error: ${e.message.split('\n')[0]}`);
    ++failed;
  }
});
process.exit(failed ? 1 : 0);
