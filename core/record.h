// The game record: start position, move tree in pre-order, header text slots
// and comments. One record object is reused for every game of a job.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TJobState;

// One move of the tree. The first four bytes form the 32-bit Move word that
// readers and writers copy as one value.
struct TMoveNode {
  uint8_t From = 0;
  uint8_t Dest = 0;
  uint8_t NoteHead = 0xFF;
  uint8_t NoteTail = 0xFF;
  int32_t TextIndex = 0;
  int32_t Ply = 0;
  uint32_t Flags = 0;
  int32_t Parent = 0;
};
static_assert(sizeof(TMoveNode) == 20, "move nodes are 20 bytes");

// Flags of a move node.
constexpr uint32_t kFlagContinues = 0x80;  // a continuation follows this node
constexpr uint32_t kFlagHasAlt = 0x40;     // an alternative follows this node's line
constexpr uint32_t kFlagBlack = 0x01;      // set by the move check: a black piece moved

// Linked form of the tree, used by readers whose source stores next/alt links.
struct TLinkNode {
  uint8_t Move[4] = {0, 0, 0, 0};
  int32_t Next = 0;
  int32_t Alt = 0;
  int32_t MoveIndex = 0;
};
static_assert(sizeof(TLinkNode) == 16, "link nodes are 16 bytes");

// A run of consecutive nodes forming one line of play.
struct TLineRec {
  int32_t First = 0;
  int32_t Last = 0;
};

struct TCodeRec {
  int32_t Code;
  const char* Text;
};

struct TUBBCodeRec {
  int32_t Code;
  const char* OpenTag;
  const char* CloseTag;
};

// Header slot numbers of Texts (slot 0 is never used).
enum TTextSlot : int {
  kSlotConnective = 1,
  kSlotRedVsBlack = 2,
  kSlotVersion = 3,
  kSlotInit = 4,
  kSlotSound = 5,
  kSlotShowMove = 6,
  kSlotOpenLine = 7,
  kSlotEcco = 8,
  kSlotOpening = 9,
  kSlotVariation = 10,
  kSlotFormat = 11,
  kSlotFen = 12,
  kSlotResult = 13,
  kSlotFrom = 14,
  kSlotRecordType = 15,
  kSlotGroup = 16,
  kSlotRound = 17,
  kSlotTable = 18,
  kSlotReferee = 19,
  kSlotRecorder = 20,
  kSlotRed = 21,
  kSlotRedTeam = 22,
  kSlotRedLevel = 23,
  kSlotRedRating = 24,
  kSlotRedEng = 25,
  kSlotBlack = 26,
  kSlotBlackTeam = 27,
  kSlotBlackLevel = 28,
  kSlotBlackRating = 29,
  kSlotBlackEng = 30,
  kSlotType = 31,
  kSlotResultType = 32,
  kSlotFirstNum = 33,
  kSlotOwner = 34,
  kSlotOther = 35,
  kSlotRecordKind = 36,
  kSlotContestType = 37,
  kSlotRefer = 38,
  kSlotViewUrl = 39,
  kSlotOldOwner = 40,
  kSlotDateCreated = 41,
  kSlotDateModified = 42,
  kSlotHidden = 43,
  kSlotPrice = 44,
  kSlotHits = 45,
  kSlotSortId = 46,
  kSlotPageVersion = 47,
  kSlotUrl = 48,
  kSlotCommentatorUrl = 49,
  kSlotCreatorUrl = 50,
  kSlotTitle = 51,
  kSlotEvent = 52,
  kSlotDate = 53,
  kSlotSite = 54,
  kSlotRedName = 55,
  kSlotBlackName = 56,
  kSlotTimeRule = 57,
  kSlotRedTime = 58,
  kSlotBlackTime = 59,
  kSlotCommentator = 60,
  kSlotCreator = 61,
  kSlotStartComment = 62,
};

constexpr uint8_t kNoSquare = 0xFF;

// Standard start squares of the 32 piece slots.
extern const uint8_t kStartSquares[32];
// FEN letter of each of the 32 piece slots (upper case red, lower case black).
extern const char kFenSlotLetters[33];

inline bool IsValidSquare(uint8_t sq) { return sq < 0x90 && (sq & 0x0F) <= 9; }

struct TChessRec {
  int32_t TextTop = 62;
  int32_t LastLine = 0;
  int32_t MoveCount = 0;
  int32_t GameType = 1;
  int32_t GameResult = 4;
  int32_t SubType = 1;
  int32_t RedFirst = 1;
  int32_t SourceBreak = 0;
  int32_t TargetBreak = 0;
  int32_t PageKind = -1;
  std::string ErrorText;
  // Error and warning lines this record put in the job log, and those held
  // back once the log limit per record was reached.
  int32_t LoggedMessages = 0;
  int32_t HiddenMessages = 0;
  std::vector<std::string> Texts;
  std::vector<TMoveNode> Moves;
  std::vector<TLinkNode> Links;
  std::vector<TLineRec> Lines;
  uint8_t Pieces[32] = {};
  char Board[90] = {};
};

// Empties the record and sets the standard start. The break kinds come from
// the source and destination format rows.
void ResetRecord(TChessRec& rec, int srcFormat, int dstFormat);
// The text of a slot, the slot list grown to hold it when it is short.
std::string& TextSlot(TChessRec& rec, int slot);
void SetMoveCapacity(TChessRec& rec, int n);
void SetLinkCount(TChessRec& rec, int n);
int TextSlotOf(TChessRec& rec, int node);
std::string GetMoveText(const TChessRec& rec, int node);
// Stores length bytes of text from the 0-based start (cut at the text's end).
void SetMoveText(TChessRec& rec, int node, const std::string& text, size_t start, size_t length);
void SetMoveText(TChessRec& rec, int node, std::string_view text);

// Index rows for storing comments by key in linked-tree readers.
struct TLinkIndexRow {
  int32_t Key;
  int32_t Base;
  int32_t First;
  int32_t End;
};
static_assert(sizeof(TLinkIndexRow) == 16);

// The reader's 28-byte source rows from which the index is built.
struct TLinkSourceRow {
  int32_t Field1;
  int32_t Field2;
  int32_t Field3;
  int32_t Field4;
  int32_t Field5;
  int32_t Field6;
  int32_t Field7;
};
static_assert(sizeof(TLinkSourceRow) == 28);

// Sorts source rows by their third field (stable for equal keys) into index rows
// {third, fourth, first, second}.
void BuildLinkIndex(const std::vector<TLinkSourceRow>& source, std::vector<TLinkIndexRow>& index);
// Stores text for the node named by (key, b) through the index rows 0..rowCount-1.
void SetMoveTextByKey(TChessRec& rec, std::string_view text, int b, int key,
                      const std::vector<TLinkIndexRow>& index, int rowCount);

void StartLine(TChessRec& rec, int n);
int FinishTree(TChessRec& rec, int last);
void BuildLinearTree(TChessRec& rec, int n);
void BuildTreeFromPlies(TJobState& job, TChessRec& rec, int n);
void BuildTreeFromFlags(TChessRec& rec, int n);
void BuildTreeFromLinks(TChessRec& rec, int first);
// Keeps only nodes 0..last of a built tree: the node at the cut ends its line,
// alternatives that fell past the cut are no longer announced, and Lines end
// at the cut. Nothing happens when last is not below MoveCount.
void CutTree(TChessRec& rec, int last);
