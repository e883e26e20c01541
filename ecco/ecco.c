/* The opening classifier: libecco.so. Four C entries; everything else is
   hidden. It reads the WXF moves that the program writes for a game's main
   line, replays them on a board from the standard start, turns a game that
   opens on red's left into its mirror image, and finds the most specific code
   of the generated rules that the moves satisfy. It needs nothing but the C
   library: no allocation, no locale, no other part of the program. */
#include <stdint.h>
#include <string.h>

#include "ecco/ecco_data.h"
#include "ecco_tables.inc"

#define ECCO_API __attribute__((visibility("default")))

enum { kMaxPlies = 20 };

/* 0 simplified names in GBK, 1 traditional names in Big5. */
static int traditionalNames;

/* ---- Board ---- */

/* board[y][x]: x 0..8 from red's left, y 0..9 from red's side. A square holds
   0, or 1 + piece for red, 9 + piece for black. */
typedef int8_t TBoard[10][9];

static void StartBoard(TBoard b) {
  static const int8_t kBack[9] = {kPieceRook,     kPieceHorse, kPieceElephant,
                                  kPieceAdvisor,  kPieceKing,  kPieceAdvisor,
                                  kPieceElephant, kPieceHorse, kPieceRook};
  memset(b, 0, sizeof(TBoard));
  for (int x = 0; x < 9; ++x) {
    b[0][x] = (int8_t)(1 + kBack[x]);
    b[9][x] = (int8_t)(9 + kBack[x]);
  }
  b[2][1] = b[2][7] = 1 + kPieceCannon;
  b[7][1] = b[7][7] = 9 + kPieceCannon;
  for (int x = 0; x < 9; x += 2) {
    b[3][x] = 1 + kPiecePawn;
    b[6][x] = 9 + kPiecePawn;
  }
}

static int PieceCode(int side, int piece) { return (side ? 9 : 1) + piece; }

/* Column of a file number as the side counts files (1 = its own right). */
static int ColumnOfFile(int side, int file) { return side == 0 ? 9 - file : file - 1; }
static int FileOfColumn(int side, int x) { return side == 0 ? 9 - x : x + 1; }

static int PieceOfLetter(char c) {
  switch (c) {
    case 'R':
      return kPieceRook;
    case 'N':
    case 'H':
      return kPieceHorse;
    case 'B':
    case 'E':
      return kPieceElephant;
    case 'A':
      return kPieceAdvisor;
    case 'K':
      return kPieceKing;
    case 'C':
      return kPieceCannon;
    case 'P':
      return kPiecePawn;
    default:
      return -1;
  }
}

typedef struct {
  int8_t FromX, FromY, ToX, ToY;
  int8_t Piece;
} TPlayed;

/* Destination of a move of the piece at (x, y) by WXF direction and number;
   0 when it leaves the board. */
static int Destination(int side, int piece, int x, int y, char dir, int number, int* toX,
                       int* toY) {
  const int forward = side == 0 ? 1 : -1;
  if (dir == '.') {
    *toX = ColumnOfFile(side, number);
    *toY = y;
  } else {
    int sign = dir == '+' ? forward : -forward;
    if (piece == kPieceHorse || piece == kPieceElephant || piece == kPieceAdvisor) {
      int tx = ColumnOfFile(side, number);
      int dx = tx > x ? tx - x : x - tx;
      int dy = piece == kPieceElephant ? 2 : piece == kPieceAdvisor ? 1 : (dx == 1 ? 2 : 1);
      if (dx == 0 || dx > 2) return 0;
      *toX = tx;
      *toY = y + sign * dy;
    } else {
      *toX = x;
      *toY = y + sign * number;
    }
  }
  return *toX >= 0 && *toX < 9 && *toY >= 0 && *toY < 10;
}

/* Pieces of one kind that share a column with another of their kind, as the
   notation counts them: column by column from the mover's right, each column
   from the mover's front. Returns their number. */
static int SharedPieces(const TBoard b, int side, int piece, int onlyColumn, int xs[], int ys[]) {
  const int code = PieceCode(side, piece);
  int n = 0;
  for (int file = 1; file <= 9; ++file) {
    int x = ColumnOfFile(side, file);
    if (onlyColumn >= 0 && x != onlyColumn) continue;
    int count = 0;
    for (int y = 0; y < 10; ++y) count += b[y][x] == code;
    if (count < 2) continue;
    for (int k = 0; k < 10; ++k) {
      int y = side == 0 ? 9 - k : k;
      if (b[y][x] != code) continue;
      xs[n] = x;
      ys[n] = y;
      ++n;
    }
  }
  return n;
}

/* Reads one four-character WXF move of side on the board and plays it.
   Returns 0, leaving the board alone, when no piece fits. */
static int PlayWxf(TBoard b, int side, const char* t, TPlayed* out) {
  const char dir = t[2];
  const int number = t[3] - '0';
  if ((dir != '+' && dir != '-' && dir != '.') || number < 1 || number > 9) return 0;

  int xs[10], ys[10], n = 0, piece;
  if (t[1] >= '1' && t[1] <= '9') {
    /* Piece and file: every such piece on that file is a candidate. */
    piece = PieceOfLetter(t[0]);
    if (piece < 0) return 0;
    int x = ColumnOfFile(side, t[1] - '0');
    for (int k = 0; k < 10; ++k) {
      int y = side == 0 ? 9 - k : k;
      if (b[y][x] == PieceCode(side, piece)) {
        xs[n] = x;
        ys[n] = y;
        ++n;
      }
    }
  } else {
    /* A position among like pieces: front "+", middle ".", rear "-", or the
       first to fifth "a".."e"; after a piece letter, or after the file of the
       pawns meant. */
    int column = -1;
    piece = PieceOfLetter(t[0]);
    if (t[0] >= '1' && t[0] <= '9') {
      piece = kPiecePawn;
      column = ColumnOfFile(side, t[0] - '0');
    }
    if (piece < 0) return 0;
    int all = SharedPieces(b, side, piece, column, xs, ys);
    int pick;
    if (t[1] == '+')
      pick = 0;
    else if (t[1] == '-')
      pick = all - 1;
    else if (t[1] == '.')
      pick = all == 3 ? 1 : -1;
    else if (t[1] >= 'a' && t[1] <= 'e')
      pick = t[1] - 'a';
    else
      return 0;
    if (pick < 0 || pick >= all) return 0;
    xs[0] = xs[pick];
    ys[0] = ys[pick];
    n = 1;
  }

  for (int i = 0; i < n; ++i) {
    int toX, toY;
    if (!Destination(side, piece, xs[i], ys[i], dir, number, &toX, &toY)) continue;
    int target = b[toY][toX];
    if (target && (target >= 9) == (side == 1)) continue; /* own piece */
    if (toX == xs[i] && toY == ys[i]) continue;
    b[toY][toX] = b[ys[i]][xs[i]];
    b[ys[i]][xs[i]] = 0;
    out->FromX = (int8_t)xs[i];
    out->FromY = (int8_t)ys[i];
    out->ToX = (int8_t)toX;
    out->ToY = (int8_t)toY;
    out->Piece = (int8_t)piece;
    return 1;
  }
  return 0;
}

/* The move word of a played move, left and right swapped when mirrored. */
static uint16_t MoveWord(const TPlayed* p, int side, int mirrored) {
  int fromX = mirrored ? 8 - p->FromX : p->FromX;
  int toX = mirrored ? 8 - p->ToX : p->ToX;
  int dy = (p->ToY - p->FromY) * (side == 0 ? 1 : -1);
  int dir, number;
  if (dy == 0) {
    dir = kDirSideways;
    number = FileOfColumn(side, toX);
  } else {
    dir = dy > 0 ? kDirForward : kDirBackward;
    if (p->Piece == kPieceHorse || p->Piece == kPieceElephant || p->Piece == kPieceAdvisor)
      number = FileOfColumn(side, toX);
    else
      number = dy > 0 ? dy : -dy;
  }
  return ECCO_MOVE(side, p->Piece, FileOfColumn(side, fromX), dir, number);
}

/* ---- Matching ---- */

typedef struct {
  uint16_t Moves[kMaxPlies];
  int Count;
} TGame;

static int InList(uint16_t move, const TEccoItem* item) {
  const uint16_t* m = kEccoMoves + item->First;
  for (int i = 0; i < item->Count; ++i)
    if (m[i] == move) return 1;
  return 0;
}

typedef struct {
  int RuleMoves, FixedMoves, LastPly;
} TScore;

/* Checks a branch; on a match fills its score. */
static int MatchBranch(const TGame* g, const TEccoBranch* br, TScore* score) {
  const int sideCount[2] = {(g->Count + 1) / 2, g->Count / 2};
  int pos[2], groupBase[2], stepped[2];
  unsigned groupUsed[2] = {0, 0};
  int lastPly = -1;
  for (int s = 0; s < 2; ++s) {
    pos[s] = groupBase[s] = br->Floor[s] - 1;
    stepped[s] = 0;
  }
  const TEccoItem* it = kEccoItems + br->FirstItem;
  for (int k = 0; k < br->ItemCount; ++k, ++it) {
    const int s = it->Side;
    switch (it->Kind) {
      case kItemFixed:
        if (it->Ply >= g->Count || !InList(g->Moves[it->Ply], it)) return 0;
        if (it->Ply > lastPly) lastPly = it->Ply;
        break;
      case kItemSet: {
        if (sideCount[s] < it->Count) return 0;
        unsigned seen = 0;
        for (int i = 0; i < it->Count; ++i) {
          const uint16_t move = g->Moves[2 * i + s];
          const uint16_t* m = kEccoMoves + it->First;
          int j = 0;
          while (j < it->Count && (m[j] != move || (seen >> j & 1))) ++j;
          if (j == it->Count) return 0;
          seen |= 1u << j;
        }
        int ply = 2 * (it->Count - 1) + s;
        if (ply > lastPly) lastPly = ply;
        break;
      }
      case kItemChain:
        for (int t = 0; t < 2; ++t) {
          pos[t] = groupBase[t] = br->Floor[t] - 1;
          stepped[t] = 0;
        }
        break;
      case kItemStep:
      case kItemJoin: {
        if (it->Kind == kItemStep) {
          groupBase[s] = pos[s];
          groupUsed[s] = 0;
        }
        int i = groupBase[s] + 1;
        while (i < sideCount[s] && ((groupUsed[s] >> i & 1) || !InList(g->Moves[2 * i + s], it)))
          ++i;
        if (i >= sideCount[s]) return 0;
        groupUsed[s] |= 1u << i;
        if (it->Kind == kItemStep || i > pos[s]) pos[s] = i;
        stepped[s] = 1;
        if (2 * i + s > lastPly) lastPly = 2 * i + s;
        break;
      }
      case kItemOnly:
      case kItemOnlyNot: {
        int other = 0;
        if (stepped[s])
          for (int i = 0; i < pos[s]; ++i)
            if (!InList(g->Moves[2 * i + s], it)) other = 1;
        if (other != (it->Kind == kItemOnlyNot)) return 0;
        break;
      }
    }
  }
  score->RuleMoves = br->RuleMoves;
  score->FixedMoves = br->FixedMoves;
  score->LastPly = lastPly;
  return 1;
}

static int Better(const TScore* a, const TScore* b) {
  if (a->RuleMoves != b->RuleMoves) return a->RuleMoves > b->RuleMoves;
  if (a->FixedMoves != b->FixedMoves) return a->FixedMoves > b->FixedMoves;
  return a->LastPly > b->LastPly;
}

/* Index into kEccoCodes of the best code for the game, or -1 for none. */
static int Classify(const TGame* g) {
  if (g->Count == 0) return -1;
  const TEccoBucket* bucket = 0;
  for (int i = 0; i < ECCO_BUCKET_COUNT; ++i)
    if (kEccoBuckets[i].Move == g->Moves[0]) bucket = &kEccoBuckets[i];
  int fallback = 0; /* A00 */
  if (!bucket) return fallback;

  /* Best score of every code that a branch matches. */
  TScore scores[ECCO_CODE_COUNT];
  uint8_t matched[ECCO_CODE_COUNT];
  memset(matched, 0, sizeof matched);
  for (int b = bucket->First; b < bucket->First + bucket->Count; ++b) {
    const TEccoBranch* br = &kEccoBranches[b];
    TScore s;
    if (!MatchBranch(g, br, &s)) continue;
    if (!matched[br->Code] || Better(&s, &scores[br->Code])) scores[br->Code] = s;
    matched[br->Code] = 1;
  }

  /* A code gives way to the codes it excludes; of the rest the most specific
     wins, then the lower code. */
  int best = -1;
  for (int pass = 0; pass < 2 && best < 0; ++pass)
    for (int c = 0; c < ECCO_CODE_COUNT; ++c) {
      if (!matched[c]) continue;
      if (pass == 0) {
        const TEccoCode* code = &kEccoCodes[c];
        int excluded = 0;
        for (int e = 0; e < code->ExcludedCount && !excluded; ++e)
          excluded = matched[kEccoExcluded[code->FirstExcluded + e]];
        if (excluded) continue;
      }
      if (best < 0 || Better(&scores[c], &scores[best])) best = c;
    }
  return best < 0 ? fallback : best;
}

/* Reads the WXF string into move words: the first 20 moves that can be
   played, red first, mirrored when red opens on its left. */
static void ReadGame(const char* wxf, TGame* g) {
  TBoard b;
  TPlayed played[kMaxPlies];
  int n = 0;
  StartBoard(b);
  if (wxf) {
    size_t len = 0;
    while (len < 4 * kMaxPlies && wxf[len]) ++len;
    for (; n < kMaxPlies && (size_t)(4 * n + 4) <= len; ++n)
      if (!PlayWxf(b, n & 1, wxf + 4 * n, &played[n])) break;
  }
  /* The first red move off the middle file decides which wing it opens on. */
  int mirrored = 0;
  for (int i = 0; i < n; i += 2) {
    if (played[i].FromX == 4) continue;
    mirrored = played[i].FromX < 4;
    break;
  }
  g->Count = n;
  for (int i = 0; i < n; ++i) g->Moves[i] = MoveWord(&played[i], i & 1, mirrored);
}

/* ---- Entries ---- */

ECCO_API int32_t EccoInitOpenVar(int32_t traditional) {
  traditionalNames = traditional != 0;
  return 0;
}

ECCO_API uint32_t EccoIndex(const char* wxfMoves) {
  TGame g;
  ReadGame(wxfMoves, &g);
  int c = Classify(&g);
  if (c < 0) return 0;
  const char* name = kEccoCodes[c].Name;
  /* The code's three characters in memory order, then a zero byte. */
  return (uint32_t)(uint8_t)name[0] | (uint32_t)(uint8_t)name[1] << 8 |
         (uint32_t)(uint8_t)name[2] << 16;
}

/* The code of an EccoIndex answer, or -1. */
static int CodeOfIndex(uint32_t index) {
  int letter = (int)(index & 0xFF) - 'A', tens = (int)(index >> 8 & 0xFF) - '0',
      units = (int)(index >> 16 & 0xFF) - '0';
  if (letter < 0 || letter > 4 || tens < 0 || tens > 9 || units < 0 || units > 9) return -1;
  return kEccoSlots[letter * 100 + tens * 10 + units];
}

static const char* Name(uint32_t index, int which) {
  int c = CodeOfIndex(index);
  if (c < 0) return "";
  return kEccoNames + kEccoCodes[c].Names[which + 2 * traditionalNames];
}

ECCO_API const char* EccoOpening(uint32_t index) { return Name(index, 0); }

ECCO_API const char* EccoVariation(uint32_t index) { return Name(index, 1); }
